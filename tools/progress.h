#ifndef TARNO_TOOLS_PROGRESS_H_
#define TARNO_TOOLS_PROGRESS_H_

// Progress of a long step on the terminal: "scoring: 412000 of 1000000 QSOs", rewritten in
// place on standard error. Only on a terminal, and only once the step has run for a second,
// so that short runs and piped output stay as they are.

#include <chrono>
#include <cstddef>
#include <string>

namespace tarno::score {

// Whether standard error is a terminal (platform files).
bool StderrIsTerminal();

class Progress {
 public:
  Progress(std::string what, std::string unit, size_t total);
  ~Progress();  // clears the line, if one was shown
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Cheap enough to call for every item.
  void Step(size_t done) {
    if (m_enabled && (done & 1023) == 0) Show(done);
  }

 private:
  void Show(size_t done);

  std::string m_what;
  std::string m_unit;
  size_t m_total;
  bool m_enabled;
  bool m_shown = false;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::steady_clock::time_point m_last;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_PROGRESS_H_
