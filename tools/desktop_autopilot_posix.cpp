#include "desktop_autopilot.h"

namespace tarno::score {

struct DesktopAutopilot::Pilot {};

DesktopAutopilot::DesktopAutopilot() = default;
DesktopAutopilot::~DesktopAutopilot() = default;

}  // namespace tarno::score
