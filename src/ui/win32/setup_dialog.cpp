#include "ui/win32/setup_dialog.h"

#include "ui/win32/resource.h"

namespace tarno {
namespace {

// A two-state box shows 2 as checked; values it cannot show open as unchecked.
UINT BoxState(int value) { return value >= 0 && value <= 2 ? static_cast<UINT>(value) : 0; }

int Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_UNCHECKED ? 0 : 1; }

INT_PTR CALLBACK SetupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const master* values = reinterpret_cast<const master*>(lParam);
      CheckDlgButton(dialog, IDC_SETUP_MASTER, BoxState(values->m_master));
      CheckDlgButton(dialog, IDC_SETUP_MULTIPLIER, BoxState(values->m_multiplier));
      return TRUE;
    }
    case WM_COMMAND:
      // The close box and Esc arrive as IDCANCEL.
      if (LOWORD(wParam) == IDOK) {
        auto* values = reinterpret_cast<master*>(GetWindowLongPtrA(dialog, DWLP_USER));
        values->m_master = Checked(dialog, IDC_SETUP_MASTER);
        values->m_multiplier = Checked(dialog, IDC_SETUP_MULTIPLIER);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

bool Dialog_Setup(HWND owner, HINSTANCE module, master* values) {
  if (values == nullptr) return false;
  return DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_SETUP), owner, &SetupProc,
                         reinterpret_cast<LPARAM>(values)) == IDOK;
}

}  // namespace tarno
