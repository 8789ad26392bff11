#ifndef TARNO_UI_WIN32_WINDOWS_UI_H_
#define TARNO_UI_WIN32_WINDOWS_UI_H_

// <windows.h> for the module's windows: as platform/windows_api.h gives it, less the
// DrawText macro, which would rename the table canvas's DrawText (ui/canvas.h) to DrawTextA
// in the files that see the macro first and not in the others.

#include "platform/windows_api.h"

#undef DrawText

#endif  // TARNO_UI_WIN32_WINDOWS_UI_H_
