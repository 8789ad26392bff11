#ifndef TARNO_TOOLS_DESKTOP_AUTOPILOT_H_
#define TARNO_TOOLS_DESKTOP_AUTOPILOT_H_

// A command line has nobody to click: while it lives, this confirms the plug-in's
// Cabrillo header dialog as it opens (with the values stored in the settings) and
// closes its "Output" message, printing the message's text. Only the Windows build
// shows such windows; elsewhere it does nothing.

#include <memory>

namespace tarno::score {

class DesktopAutopilot {
 public:
  DesktopAutopilot();
  ~DesktopAutopilot();
  DesktopAutopilot(const DesktopAutopilot&) = delete;
  DesktopAutopilot& operator=(const DesktopAutopilot&) = delete;

 private:
  struct Pilot;
  std::unique_ptr<Pilot> m_pilot;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_DESKTOP_AUTOPILOT_H_
