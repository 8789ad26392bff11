#ifndef TARNO_TOOLS_SERVE_UPLOAD_QUOTA_H_
#define TARNO_TOOLS_SERVE_UPLOAD_QUOTA_H_

// Uploads per client address in a sliding window: those stored, and those being taken
// right now, counted under one lock. Uploads sent at once would otherwise all pass a count
// that none of them had yet added to. Thread-safe.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "serve/robot_store.h"

namespace tarno::score {

class UploadQuota {
 public:
  UploadQuota(RobotStore& store, int limit, int windowSeconds)
      : m_store(store), m_limit(limit), m_windowSeconds(windowSeconds) {}

  // One upload's place in the quota, held from before the upload is judged until it is
  // stored (or refused), when the store counts it instead.
  class Place {
   public:
    Place(UploadQuota& quota, std::string address, bool taken)
        : m_quota(quota), m_address(std::move(address)), m_taken(taken) {}
    ~Place() {
      if (m_taken) m_quota.Give(m_address);
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;
    bool taken() const { return m_taken; }

   private:
    UploadQuota& m_quota;
    std::string m_address;
    bool m_taken;
  };

  // A place for an upload from `address` at `nowUnix`; not taken when the address is at
  // its limit.
  Place Take(const std::string& address, int64_t nowUnix);

  int limit() const { return m_limit; }
  int windowSeconds() const { return m_windowSeconds; }

 private:
  void Give(const std::string& address);

  RobotStore& m_store;
  const int m_limit;
  const int m_windowSeconds;
  std::mutex m_mutex;
  std::map<std::string, int> m_taking;  // uploads of each address not yet stored
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_UPLOAD_QUOTA_H_
