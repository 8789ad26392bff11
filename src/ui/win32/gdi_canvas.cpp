#include "ui/win32/gdi_canvas.h"

namespace tarno {

void GdiCanvas::FillRect(int left, int top, int right, int bottom, Rgb colour) {
  HBRUSH brush = CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
  if (brush == nullptr) return;
  const RECT area{left, top, right, bottom};
  ::FillRect(m_dc, &area, brush);
  DeleteObject(brush);
}

void GdiCanvas::DrawText(int x, int y, const std::string& text) {
  SetBkMode(m_dc, TRANSPARENT);
  SetTextColor(m_dc, RGB(0, 0, 0));
  TextOutA(m_dc, x, y, text.data(), static_cast<int>(text.size()));
}

}  // namespace tarno
