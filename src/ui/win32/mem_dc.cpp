#include "ui/win32/mem_dc.h"

namespace tarno {

namespace {

// A metafile's context reports the technology of the device it refers to, not its own.
bool IsScreen(HDC dc) {
  const DWORD kind = GetObjectType(dc);
  return (kind == OBJ_DC || kind == OBJ_MEMDC) && GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY;
}

}  // namespace

CMemDC::CMemDC(HDC target, const RECT& area) : m_target(target), m_area(area) {
  if (IsScreen(target) && MakeBitmap()) return;
  m_savedTarget = SaveDC(target);
  SetViewportOrgEx(target, area.left, area.top, nullptr);
}

bool CMemDC::MakeBitmap() {
  const int width = m_area.right - m_area.left;
  const int height = m_area.bottom - m_area.top;
  if (width <= 0 || height <= 0) return false;
  m_memory = CreateCompatibleDC(m_target);
  if (m_memory == nullptr) return false;
  m_bitmap = CreateCompatibleBitmap(m_target, width, height);
  if (m_bitmap == nullptr) {
    DeleteDC(m_memory);
    m_memory = nullptr;
    return false;
  }
  m_previousBitmap = SelectObject(m_memory, m_bitmap);
  return true;
}

CMemDC::~CMemDC() {
  if (m_memory == nullptr) {
    if (m_savedTarget != 0) RestoreDC(m_target, m_savedTarget);
    return;
  }
  BitBlt(m_target, m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top,
         m_memory, 0, 0, SRCCOPY);
  SelectObject(m_memory, m_previousBitmap);
  DeleteObject(m_bitmap);
  DeleteDC(m_memory);
}

}  // namespace tarno
