#ifndef TARNO_TOOLS_REPLAY_DESKTOP_AUTOPILOT_H_
#define TARNO_TOOLS_REPLAY_DESKTOP_AUTOPILOT_H_

// A command line has nobody to click: while it lives, this confirms the plug-in's
// Cabrillo header dialog as it opens and closes its "Output" message, printing the
// message's text. Before confirming it types the answers it was given into the dialog's
// category boxes, as the operator would; the other fields keep the values stored in the
// settings. Only the Windows build shows such windows; elsewhere the answers go to the
// window-less build's stand-in dialog through the environment variable
// TARNO_HEADER_ANSWERS ("TAG=value" lines), which is set while the autopilot lives.

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarno::score {

// The dialog's category fields by their Cabrillo tag: "CATEGORY-POWER", "LOW".
using DialogAnswers = std::vector<std::pair<std::string, std::string>>;

class DesktopAutopilot {
 public:
  explicit DesktopAutopilot(const DialogAnswers& answers = DialogAnswers());
  ~DesktopAutopilot();
  DesktopAutopilot(const DesktopAutopilot&) = delete;
  DesktopAutopilot& operator=(const DesktopAutopilot&) = delete;

 private:
  struct Pilot;
  std::unique_ptr<Pilot> m_pilot;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_DESKTOP_AUTOPILOT_H_
