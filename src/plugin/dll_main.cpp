// Windows loads and unloads the module through here. Nothing may be done here that waits
// on another thread or loads another DLL: both would deadlock under the loader lock.
//
// Unloading has no window to close. A county window's thread holds a reference to the
// module until its very last step (ui/win32/county_window_thread.cpp), so the module is
// unloaded only when no window is open: on the host's thread when none was, or on the
// window thread itself as it ends. At the end of the process the system has already stopped
// the other threads, which must not be waited for or touched.
#include "platform/windows_api.h"

// C linkage so the C run time's DLL start-up finds this one rather than its empty default.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
