#ifndef TARNO_TOOLS_REPLAY_PROGRESS_H_
#define TARNO_TOOLS_REPLAY_PROGRESS_H_

// A one-line progress display on standard error, for a person watching a terminal:
// "scoring 412000/1000000", rewritten in place. Silent when disabled (standard error piped
// or redirected) and during the first second, so that short runs print nothing.
// Thread-safe.

#include <chrono>
#include <cstddef>
#include <mutex>

namespace tarno::score {

// Whether standard error is a terminal (platform files).
bool StderrIsTerminal();

class Progress {
 public:
  explicit Progress(bool enabled) : m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {}
  ~Progress() { Finish(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Shows "stage done/total", at most a few times a second.
  void Show(const char* stage, size_t done, size_t total);
  // Clears the line.
  void Finish();

 private:
  bool m_enabled;
  bool m_shown = false;
  std::mutex m_mutex;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::steady_clock::time_point m_last{};
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_PROGRESS_H_
