#ifndef TARNO_UI_WIN32_MEM_DC_H_
#define TARNO_UI_WIN32_MEM_DC_H_

// An off-screen surface for painting one rectangle of a device context in one piece, so that
// a repaint does not flicker: drawing goes to a memory bitmap of the rectangle's size and is
// copied to the target when the object goes. A printer or any other non-screen target, and
// a screen for which no bitmap can be had, is drawn on directly instead. Either way the
// rectangle's top left is (0, 0) on dc(), and the target's own state is left as it was.

#include "ui/win32/windows_ui.h"

namespace tarno {

class CMemDC {
 public:
  CMemDC(HDC target, const RECT& area);
  ~CMemDC();
  CMemDC(const CMemDC&) = delete;
  CMemDC& operator=(const CMemDC&) = delete;

  HDC dc() const { return m_memory != nullptr ? m_memory : m_target; }
  bool offScreen() const { return m_memory != nullptr; }

 private:
  bool MakeBitmap();

  HDC m_target;
  RECT m_area;
  HDC m_memory = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_previousBitmap = nullptr;
  int m_savedTarget = 0;  // SaveDC's level when drawing directly
};

}  // namespace tarno

#endif  // TARNO_UI_WIN32_MEM_DC_H_
