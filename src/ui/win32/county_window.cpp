#include "ui/win32/county_window.h"

#include <cstring>

#include "ui/win32/resource.h"

namespace tarno {
namespace {

constexpr UINT_PTR kRefreshTimer = 1500;
constexpr UINT kFirstRefreshMs = 300;
constexpr UINT kRefreshAfterRequestMs = 330;

// Timers belong to the thread that made their window, so the other threads ask by message.
constexpr UINT kRefreshRequestMessage = WM_APP + 1;
constexpr UINT kCloseRequestMessage = WM_APP + 2;
constexpr UINT kOpenedMessage = WM_APP + 3;

constexpr COLORREF kBackground = RGB(255, 250, 198);

struct CountyBox {
  const char* code;
  int id;
};

const CountyBox kCountyBoxes[] = {
    {"ZA", IDC_COUNTY_ZA}, {"GY", IDC_COUNTY_GY}, {"VA", IDC_COUNTY_VA}, {"KO", IDC_COUNTY_KO},
    {"VE", IDC_COUNTY_VE}, {"SO", IDC_COUNTY_SO}, {"TO", IDC_COUNTY_TO}, {"BA", IDC_COUNTY_BA},
    {"HB", IDC_COUNTY_HB}, {"FE", IDC_COUNTY_FE}, {"BP", IDC_COUNTY_BP}, {"NG", IDC_COUNTY_NG},
    {"HE", IDC_COUNTY_HE}, {"PE", IDC_COUNTY_PE}, {"SZ", IDC_COUNTY_SZ}, {"BE", IDC_COUNTY_BE},
    {"CS", IDC_COUNTY_CS}, {"BN", IDC_COUNTY_BN}, {"BO", IDC_COUNTY_BO}, {"SA", IDC_COUNTY_SA},
};

int BoxOfCounty(const char* code) {
  for (const CountyBox& box : kCountyBoxes) {
    if (std::strcmp(box.code, code) == 0) return box.id;
  }
  return 0;
}

bool IsControlColourMessage(UINT message) {
  return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

}  // namespace

void CountyWindowLink::RequestRefresh() {
  HWND window = m_window.load();
  if (window != nullptr) PostMessageA(window, kRefreshRequestMessage, 0, 0);
}

void CountyWindowLink::RequestClose() {
  // The flag goes first: a window that publishes its handle after this read sees the flag.
  m_closeRequested = true;
  HWND window = m_window.load();
  if (window != nullptr) PostMessageA(window, kCloseRequestMessage, 0, 0);
}

oblast::~oblast() {
  m_info.reset();
  if (m_brush != nullptr) DeleteObject(m_brush);
}

bool oblast::Run() {
  INT_PTR result = DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_COUNTY_WINDOW), nullptr,
                                   &oblast::Proc, reinterpret_cast<LPARAM>(this));
  return result != -1 && result != 0;
}

void oblast::OnInit(HWND window) {
  m_window = window;
  m_position.MoveTo(window, m_position.Load(m_module.WindowSettings()));
  m_brush = CreateSolidBrush(kBackground);
  SetTimer(window, kRefreshTimer, kFirstRefreshMs, nullptr);
  HICON icon = LoadIconA(m_instance, MAKEINTRESOURCEA(IDI_TARNO));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  m_link->m_window = window;
  // Handled once the dialog's own loop runs, the window shown and active.
  PostMessageA(window, kOpenedMessage, 0, 0);
  if (m_link->m_closeRequested) Close();
}

void oblast::OnRefreshTimer() {
  KillTimer(m_window, kRefreshTimer);  // one refresh per arming
  if (m_info == nullptr) {
    auto info = std::make_unique<DXCC>(m_module);
    if (info->Create(m_instance)) {
      ShowWindow(info->window(), SW_SHOW);
      m_info = std::move(info);
    }
  }
  Apply(RefreshCountyWindow(m_module));
}

void oblast::Apply(CountyRefresh refresh) {
  SetWindowTextA(m_window, refresh.caption.c_str());
  for (size_t box = 0; box < kCountyBoxOrder.size(); ++box) {
    const int id = BoxOfCounty(kCountyBoxOrder[box]);
    if (id == 0) continue;
    CheckDlgButton(m_window, id, refresh.countyFlags[box] ? BST_CHECKED : BST_UNCHECKED);
  }
  if (m_info != nullptr) m_info->ShowRefresh(refresh.infoTitle, std::move(refresh.table));
}

// The information window goes once the window's loop has ended, not here: a refresh
// waiting for the host may still be using it.
void oblast::Close() {
  KillTimer(m_window, kRefreshTimer);
  EndDialog(m_window, IDCANCEL);
}

INT_PTR oblast::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (IsControlColourMessage(message)) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, kBackground);
    return reinterpret_cast<INT_PTR>(m_brush);
  }
  switch (message) {
    case WM_SETCURSOR:
      m_position.SaveIfMoved(m_window, m_module.WindowSettings());
      return FALSE;
    case WM_TIMER:
      if (wParam != kRefreshTimer) return FALSE;
      OnRefreshTimer();
      return TRUE;
    case kRefreshRequestMessage:
      SetTimer(m_window, kRefreshTimer, kRefreshAfterRequestMs, nullptr);
      return TRUE;
    case kCloseRequestMessage:
      Close();
      return TRUE;
    case kOpenedMessage:
      if (m_link->m_opened != nullptr) SetEvent(m_link->m_opened);
      return TRUE;
    case WM_COMMAND:
      // The close box and Esc (IDCANCEL), and Enter (IDOK), as in any dialog. The boxes'
      // clicks come with their own ids.
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) Close();
      return TRUE;
    case WM_DESTROY:
      m_link->m_window = nullptr;
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK oblast::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // No exception may unwind through the system's frames. A refresh that fails leaves the
  // window as it was until the next one.
  try {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      reinterpret_cast<oblast*>(lParam)->OnInit(window);
      return TRUE;
    }
    auto* self = reinterpret_cast<oblast*>(GetWindowLongPtrA(window, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace tarno
