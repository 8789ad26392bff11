#include "replay/progress.h"

#include <cstdio>

namespace tarno::score {

void Progress::Show(const char* stage, size_t done, size_t total) {
  if (!m_enabled) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto now = std::chrono::steady_clock::now();
  if (now - m_start < std::chrono::seconds(1)) return;
  if (m_shown && done != total && now - m_last < std::chrono::milliseconds(200)) return;
  m_last = now;
  m_shown = true;
  std::fprintf(stderr, "\r%s %zu/%zu\033[K", stage, done, total);
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!m_enabled) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_shown) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  m_shown = false;
}

}  // namespace tarno::score
