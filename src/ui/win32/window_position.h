#ifndef TARNO_UI_WIN32_WINDOW_POSITION_H_
#define TARNO_UI_WIN32_WINDOW_POSITION_H_

// Where one of the module's windows stands, kept in the settings as two keys (screen
// pixels, the outer top left): restored when the window opens, saved whenever it is found
// somewhere else. Used on the window's own thread only.

#include <string>

#include "stats/settings.h"
#include "ui/win32/windows_ui.h"

namespace tarno {

class SavedPosition {
 public:
  SavedPosition(std::string xKey, std::string yKey)
      : m_xKey(std::move(xKey)), m_yKey(std::move(yKey)) {}

  // As saved; a missing key reads as 0.
  POINT Load(const Settings& settings) const;

  // Puts the window's top left there, leaving its size and its place among the other
  // windows alone, and takes that as the place last saved.
  void MoveTo(HWND window, POINT topLeft);

  // Saves the window's top left when it is not where it was last saved.
  void SaveIfMoved(HWND window, const Settings& settings);

 private:
  std::string m_xKey;
  std::string m_yKey;
  POINT m_saved{0, 0};
};

}  // namespace tarno

#endif  // TARNO_UI_WIN32_WINDOW_POSITION_H_
