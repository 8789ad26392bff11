#ifndef TARNO_UI_WIN32_MODULE_INSTANCE_H_
#define TARNO_UI_WIN32_MODULE_INSTANCE_H_

// The module this code is linked into: the plug-in's DLL, not the host's program. Its
// resources hold the dialog templates and the icon.

#include "ui/win32/windows_ui.h"

// The linker's name for the first byte of the module's own image.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tarno {

inline HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

}  // namespace tarno

#endif  // TARNO_UI_WIN32_MODULE_INSTANCE_H_
