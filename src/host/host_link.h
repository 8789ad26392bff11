#ifndef TARNO_HOST_HOST_LINK_H_
#define TARNO_HOST_HOST_LINK_H_

// The link to the running host's automation object ("Zelk2.Application", late-bound):
// the radio's frequency, the call being typed, and the command texts the module sends.
//
// Threads: SetUpFromScore runs on the host's thread; every other method runs on the
// county window's thread. An implementation calls the host's object only on the thread
// that obtained it, or through a copy marshalled for the calling thread. Failures are
// silent: a link without an object answers an empty call and 0 Hz and sends nothing.

#include <string>

namespace tarno {

class HostLink {
 public:
  virtual ~HostLink() = default;

  // The platform's link: the host's automation object on Windows, none elsewhere.
  static HostLink* Default();

  // The score request's set-up: reaches the host's object and, if it was reached and
  // the start-up commands ("<MODE:CW>", "<BAUDRATE:27>") have not been sent since the
  // module was loaded, sends them. True when they have been sent (now or before).
  virtual bool SetUpFromScore() = 0;

  // The refresh's set-up, once per module load: reaches the object and sends the
  // start-up commands, whether or not the object was reached.
  virtual void SetUpFromRefresh() = 0;

  // Dispatch id 8 with the argument 5: the call in the host's entry field; "" for none.
  virtual std::string EnteredCall() = 0;
  // Dispatch id 2: the radio's frequency in Hz; 0 for none.
  virtual double FrequencyHz() = 0;
  // Dispatch id 16: a command text.
  virtual void Command(const std::string& text) = 0;

  // The window thread is about to end: release what it holds of the link.
  virtual void EndWindowThread() = 0;
  // The same while the module is being unloaded, which holds the loader's lock: the host's
  // object is given back, but what would need that lock is left to the thread's end.
  virtual void EndWindowThreadForUnload() { EndWindowThread(); }
};

// No host to reach (the Linux build, and tests): an empty call, 0 Hz, commands go nowhere.
class NoHostLink : public HostLink {
 public:
  bool SetUpFromScore() override { return false; }
  void SetUpFromRefresh() override {}
  std::string EnteredCall() override { return std::string(); }
  double FrequencyHz() override { return 0.0; }
  void Command(const std::string&) override {}
  void EndWindowThread() override {}
};

}  // namespace tarno

#endif  // TARNO_HOST_HOST_LINK_H_
