#ifndef TARNO_TOOLS_CROSSCHECK_PROGRESS_H_
#define TARNO_TOOLS_CROSSCHECK_PROGRESS_H_

// A one-line progress display on standard error, for a person watching a terminal; it
// stays silent when disabled (standard error piped or redirected). Thread-safe.

#include <chrono>
#include <cstddef>
#include <mutex>

namespace tarno::score {

class Progress {
 public:
  explicit Progress(bool enabled) : m_enabled(enabled) {}
  ~Progress() { Finish(); }

  // Shows "stage done/total", at most a few times a second.
  void Show(const char* stage, size_t done, size_t total);
  // Clears the line.
  void Finish();

 private:
  bool m_enabled;
  bool m_shown = false;
  std::mutex m_mutex;
  std::chrono::steady_clock::time_point m_last{};
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PROGRESS_H_
