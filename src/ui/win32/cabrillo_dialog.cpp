#include "ui/win32/cabrillo_dialog.h"

#include <string>

#include "contest/ascii_text.h"
#include "ui/win32/resource.h"

namespace tarno {
namespace {

using Member = std::string CabrilloHeaderValues::*;

struct EditField {
  int controlId;
  Member value;
};

struct ComboField {
  int controlId;
  Member value;
  const char* entries[7];  // in list order, ended by a null
};

// CLAIMED is shown but not among the fields, so that OK never takes it back.
const EditField kEditFields[] = {
    {IDC_HEADER_CONTEST, &CabrilloHeaderValues::contest},
    {IDC_HEADER_CALLSIGN, &CabrilloHeaderValues::callsign},
    {IDC_HEADER_LOCATION, &CabrilloHeaderValues::location},
    {IDC_HEADER_NAME, &CabrilloHeaderValues::name},
    {IDC_HEADER_ADDRESS, &CabrilloHeaderValues::address},
    {IDC_HEADER_ADDRESS_CITY, &CabrilloHeaderValues::addressCity},
    {IDC_HEADER_ADDRESS_POSTALCODE, &CabrilloHeaderValues::addressPostalCode},
    {IDC_HEADER_ADDRESS_COUNTRY, &CabrilloHeaderValues::addressCountry},
    {IDC_HEADER_OPERATORS, &CabrilloHeaderValues::operators},
    {IDC_HEADER_CLUB, &CabrilloHeaderValues::club},
    {IDC_HEADER_SOAPBOX, &CabrilloHeaderValues::soapbox},
    {IDC_HEADER_EMAIL, &CabrilloHeaderValues::email},
};

const ComboField kComboFields[] = {
    {IDC_HEADER_CATEGORY_OPERATOR,
     &CabrilloHeaderValues::categoryOperator,
     {"SINGLE-OP", "MULTI-OP", "CHECKLOG"}},
    {IDC_HEADER_CATEGORY_BAND,
     &CabrilloHeaderValues::categoryBand,
     {"ALL", "80M", "40M", "20M", "15M", "10M"}},
    {IDC_HEADER_CATEGORY_MODE, &CabrilloHeaderValues::categoryMode, {"MIXED", "CW", "SSB"}},
    {IDC_HEADER_CATEGORY_POWER, &CabrilloHeaderValues::categoryPower, {"HIGH", "LOW", "QRP"}},
    {IDC_HEADER_CATEGORY_TRANSMITTER,
     &CabrilloHeaderValues::categoryTransmitter,
     {"ONE", "TWO", "UNLIMITED"}},
};

// What DialogBoxParamA returns when the dialog could not run to its end.
constexpr INT_PTR kDialogFailed = -1;

bool BeginsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return prefix.size() <= text.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  int copied = GetWindowTextA(window, &text[0], static_cast<int>(text.size()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

std::string ComboEntry(HWND combo, int index) {
  LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length <= 0) return std::string();
  std::string entry(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&entry[0]));
  entry.resize(static_cast<size_t>(length));
  return entry;
}

// Searches the list as it is shown, so that a sorted list is searched in its sorted order.
int FirstEntryBeginningWith(HWND combo, const std::string& value) {
  LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (int index = 0; index < count; ++index) {
    if (BeginsWithIgnoringCase(ComboEntry(combo, index), value)) return index;
  }
  return CB_ERR;
}

void ShowComboValue(HWND dialog, const ComboField& field, const std::string& value) {
  HWND combo = GetDlgItem(dialog, field.controlId);
  SendMessageA(combo, CB_LIMITTEXT, 0, 0);  // zero lifts the limit as far as it goes
  for (const char* const* entry = field.entries; *entry != nullptr; ++entry) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(*entry));
  }
  int index = FirstEntryBeginningWith(combo, value);
  if (index != CB_ERR) {
    SendMessageA(combo, CB_SETCURSEL, index, 0);
  } else {
    SetWindowTextA(combo, value.c_str());
  }
}

void ShowEditValue(HWND dialog, int controlId, const std::string& value) {
  HWND edit = GetDlgItem(dialog, controlId);
  // Zero lifts the limit on typing as far as it goes; the default stops near 32k.
  SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextA(edit, value.c_str());
}

void ShowValues(HWND dialog, const CabrilloHeaderValues& values) {
  for (const EditField& field : kEditFields) {
    ShowEditValue(dialog, field.controlId, values.*field.value);
  }
  ShowEditValue(dialog, IDC_HEADER_CLAIMED, values.claimed);
  for (const ComboField& field : kComboFields) ShowComboValue(dialog, field, values.*field.value);
}

// Fills a copy, so that the caller's values change only when every control has been read.
CabrilloHeaderValues TakeValues(HWND dialog, const CabrilloHeaderValues& shown) {
  CabrilloHeaderValues taken = shown;
  for (const EditField& field : kEditFields) {
    taken.*field.value = WindowText(GetDlgItem(dialog, field.controlId));
  }
  // A combo box's window text is its text part, whether typed or picked from the list.
  for (const ComboField& field : kComboFields) {
    taken.*field.value = WindowText(GetDlgItem(dialog, field.controlId));
  }
  return taken;
}

CabrilloHeaderValues* ValuesOf(HWND dialog) {
  return reinterpret_cast<CabrilloHeaderValues*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      ShowValues(dialog, *reinterpret_cast<CabrilloHeaderValues*>(lParam));
      return TRUE;  // focus to the first field
    case WM_COMMAND:
      // The close box and Esc arrive as IDCANCEL.
      if (LOWORD(wParam) == IDOK) {
        CabrilloHeaderValues* values = ValuesOf(dialog);
        *values = TakeValues(dialog, *values);
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

INT_PTR CALLBACK CabrilloHeaderProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // No exception may unwind through the system's frames; a dialog that cannot show or
  // take its values ends as not confirmed.
  try {
    return HandleMessage(dialog, message, wParam, lParam);
  } catch (...) {
    EndDialog(dialog, kDialogFailed);
    return TRUE;
  }
}

}  // namespace

bool Dialog_CabrilloHeader(HWND owner, HINSTANCE module, CabrilloHeaderValues* values) {
  if (values == nullptr) return false;
  INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_CABRILLO_HEADER), owner,
                                   &CabrilloHeaderProc, reinterpret_cast<LPARAM>(values));
  return result == IDOK;
}

}  // namespace tarno
