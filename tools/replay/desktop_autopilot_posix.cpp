#include <cstdlib>

#include "replay/desktop_autopilot.h"

namespace tarno::score {

struct DesktopAutopilot::Pilot {};

DesktopAutopilot::DesktopAutopilot(const DialogAnswers& answers) {
  std::string lines;
  for (const auto& [tag, value] : answers) lines += tag + "=" + value + "\n";
  setenv("TARNO_HEADER_ANSWERS", lines.c_str(), 1);
}

DesktopAutopilot::~DesktopAutopilot() { unsetenv("TARNO_HEADER_ANSWERS"); }

}  // namespace tarno::score
