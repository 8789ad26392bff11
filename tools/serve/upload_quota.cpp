#include "serve/upload_quota.h"

namespace tarno::score {

UploadQuota::Place UploadQuota::Take(const std::string& address, int64_t nowUnix) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto taking = m_taking.find(address);
  const int64_t used = m_store.UploadsSince(address, nowUnix - m_windowSeconds) +
                       (taking == m_taking.end() ? 0 : taking->second);
  if (used >= m_limit) return Place(*this, address, false);
  ++m_taking[address];
  return Place(*this, address, true);
}

void UploadQuota::Give(const std::string& address) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto taking = m_taking.find(address);
  if (taking != m_taking.end() && --taking->second <= 0) m_taking.erase(taking);
}

}  // namespace tarno::score
