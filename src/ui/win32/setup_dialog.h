#ifndef TARNO_UI_WIN32_SETUP_DIALOG_H_
#define TARNO_UI_WIN32_SETUP_DIALOG_H_

// The setup dialog ("master", template IDD_SETUP): whether a master file is used (kept,
// hidden and disabled) and whether the county window opens with the statistics run.

#include "ui/win32/windows_ui.h"

namespace tarno {

struct master {
  int m_master = 0;
  int m_multiplier = 0;
};

// Runs the dialog modally on the calling thread. `module` holds the template; `owner` may
// be null. Each box opens checked for 1 or 2 and unchecked for anything else. On OK both
// values become the boxes' states (0 or 1) and the result is true; closed any other way
// (close box, Esc), or when the dialog cannot be created, `values` is unchanged and the
// result is false.
bool Dialog_Setup(HWND owner, HINSTANCE module, master* values);

}  // namespace tarno

#endif  // TARNO_UI_WIN32_SETUP_DIALOG_H_
