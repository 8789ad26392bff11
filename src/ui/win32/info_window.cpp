#include "ui/win32/info_window.h"

#include <algorithm>

#include "ui/win32/mem_dc.h"
#include "ui/win32/resource.h"

namespace tarno {
namespace {

// Where a window never moved by the operator opens.
constexpr int kFirstX = 10;
constexpr int kFirstY = 400;

// The table keeps this margin inside the window's client area.
constexpr int kTableMargin = 5;

}  // namespace

void CVeDiInfoButton::DrawItem(const DRAWITEMSTRUCT& item) const {
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  if (width <= 0 || height <= 0) return;
  CMemDC surface(item.hDC, item.rcItem);
  GdiCanvas canvas(surface.dc());
  PaintInfoTable(m_table, width, height, canvas);
}

DXCC::~DXCC() {
  if (m_window != nullptr) DestroyWindow(m_window);
}

bool DXCC::Create(HINSTANCE module) {
  if (m_window != nullptr) return true;
  // The handle is taken at WM_INITDIALOG already, so that no message after it goes amiss.
  return CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_INFO_WINDOW), nullptr, &DXCC::Proc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void DXCC::ShowRefresh(const std::string& title, InfoTableData table) {
  if (m_window == nullptr) return;
  SetWindowTextA(m_window, title.c_str());
  m_table.SetTable(std::move(table));
  InvalidateRect(GetDlgItem(m_window, IDC_INFO_TABLE), nullptr, FALSE);
}

void DXCC::OnInit(HWND window) {
  m_window = window;
  POINT place = m_position.Load(m_module.WindowSettings());
  if (place.x == 0) place.x = kFirstX;
  if (place.y == 0) place.y = kFirstY;
  m_position.MoveTo(window, place);
  HICON icon = LoadIconA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)),
                         MAKEINTRESOURCEA(IDI_TARNO));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void DXCC::FitTableToClient(int clientWidth, int clientHeight) {
  HWND table = GetDlgItem(m_window, IDC_INFO_TABLE);
  if (table == nullptr) return;
  MoveWindow(table, kTableMargin, kTableMargin, std::max(0, clientWidth - 2 * kTableMargin),
             std::max(0, clientHeight - 2 * kTableMargin), TRUE);
}

INT_PTR DXCC::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      m_position.SaveIfMoved(m_window, m_module.WindowSettings());
      return FALSE;
    case WM_SIZE:
      FitTableToClient(LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_DRAWITEM:
      if (wParam != IDC_INFO_TABLE) return FALSE;
      m_table.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      SetWindowLongPtrA(m_window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_CLOSE:
      ShowWindow(m_window, SW_HIDE);
      return TRUE;
    case WM_COMMAND:
      // Esc: hidden like the close box, never destroyed by the dialog manager.
      if (LOWORD(wParam) == IDCANCEL) ShowWindow(m_window, SW_HIDE);
      return TRUE;
    case WM_NCDESTROY:
      m_window = nullptr;
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK DXCC::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // No exception may unwind through the system's frames; a message that fails is left to
  // the dialog manager, and a failed paint leaves the old picture.
  try {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      reinterpret_cast<DXCC*>(lParam)->OnInit(window);
      return TRUE;  // the system gives the table the focus
    }
    // Messages before WM_INITDIALOG (the first WM_SIZE among them) find no object yet.
    auto* self = reinterpret_cast<DXCC*>(GetWindowLongPtrA(window, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace tarno
