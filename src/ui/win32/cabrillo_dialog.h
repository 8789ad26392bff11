#ifndef TARNO_UI_WIN32_CABRILLO_DIALOG_H_
#define TARNO_UI_WIN32_CABRILLO_DIALOG_H_

// The Cabrillo header dialog (template IDD_CABRILLO_HEADER).

#include "cabrillo/header_values.h"
#include "platform/windows_api.h"

namespace tarno {

// Runs the dialog modally on the calling thread, which it blocks until the operator closes
// it. `module` holds the dialog template (the plug-in's DLL, not the host's program);
// `owner` may be null. The dialog opens with `values` and, on OK, takes every value back
// from its control except `claimed`, which is shown only; returns true then. On CANCEL,
// Esc or the close box, and when the dialog cannot be created, `values` is unchanged and
// the result is false. Texts are in the ANSI code page.
bool Dialog_CabrilloHeader(HWND owner, HINSTANCE module, CabrilloHeaderValues* values);

}  // namespace tarno

#endif  // TARNO_UI_WIN32_CABRILLO_DIALOG_H_
