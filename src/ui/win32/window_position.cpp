#include "ui/win32/window_position.h"

namespace tarno {

POINT SavedPosition::Load(const Settings& settings) const {
  return POINT{settings.ReadInt(m_xKey), settings.ReadInt(m_yKey)};
}

void SavedPosition::MoveTo(HWND window, POINT topLeft) {
  SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_saved = topLeft;
}

void SavedPosition::SaveIfMoved(HWND window, const Settings& settings) {
  RECT outer;
  if (!GetWindowRect(window, &outer)) return;
  if (outer.left == m_saved.x && outer.top == m_saved.y) return;
  m_saved = POINT{outer.left, outer.top};
  // Written in full whatever the size of the number, so that any place reads back; a
  // write that fails is not tried again until the window moves once more.
  settings.WriteInt(m_xKey, outer.left);
  settings.WriteInt(m_yKey, outer.top);
}

}  // namespace tarno
