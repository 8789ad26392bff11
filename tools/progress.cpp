#include "progress.h"

#include <cstdio>

namespace tarno::score {

Progress::Progress(std::string what, std::string unit, size_t total)
    : m_what(std::move(what)),
      m_unit(std::move(unit)),
      m_total(total),
      m_enabled(StderrIsTerminal()),
      m_start(std::chrono::steady_clock::now()),
      m_last(m_start) {}

Progress::~Progress() {
  if (m_shown) std::fprintf(stderr, "\r%*s\r", 60, "");
}

void Progress::Show(size_t done) {
  const auto now = std::chrono::steady_clock::now();
  if (now - m_start < std::chrono::seconds(1) || now - m_last < std::chrono::milliseconds(250)) {
    return;
  }
  m_last = now;
  m_shown = true;
  std::fprintf(stderr, "\r%s: %zu of %zu %s", m_what.c_str(), done, m_total, m_unit.c_str());
  std::fflush(stderr);
}

}  // namespace tarno::score
