#ifndef TARNO_UI_WIN32_GDI_CANVAS_H_
#define TARNO_UI_WIN32_GDI_CANVAS_H_

// The table painter's canvas on a GDI device context: solid fills, and texts in the
// context's current font (a fresh memory context's is the system font), black, with
// nothing painted behind them. Leaves the context's background mode and text colour changed.

#include "ui/canvas.h"
#include "ui/win32/windows_ui.h"

namespace tarno {

class GdiCanvas : public Canvas {
 public:
  explicit GdiCanvas(HDC dc) : m_dc(dc) {}

  void FillRect(int left, int top, int right, int bottom, Rgb colour) override;
  void DrawText(int x, int y, const std::string& text) override;

 private:
  HDC m_dc;
};

}  // namespace tarno

#endif  // TARNO_UI_WIN32_GDI_CANVAS_H_
