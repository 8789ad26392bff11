#ifndef TARNO_HOST_HOST_LINK_H_
#define TARNO_HOST_HOST_LINK_H_

// The link to the running host's automation object: the radio's frequency, the call
// being typed, and the command texts the module sends.

namespace tarno {

class HostLink {
 public:
  virtual ~HostLink() = default;

  // The score request's set-up, on the host's thread: reaches the host's object and,
  // if it was reached, sends the start-up commands. True when they were sent.
  virtual bool SetUpFromScore() = 0;
};

// No host to reach (the Linux build, and tests): the set-up never succeeds.
class NoHostLink : public HostLink {
 public:
  bool SetUpFromScore() override { return false; }
};

}  // namespace tarno

#endif  // TARNO_HOST_HOST_LINK_H_
