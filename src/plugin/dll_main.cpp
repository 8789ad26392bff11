// Windows loads and unloads the module through here. Nothing may be done yet that waits
// on another thread or loads another DLL: both would deadlock under the loader lock.
#include "platform/windows_api.h"

// C linkage so the C run time's DLL start-up finds this one rather than its empty default.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
