// Windows loads and unloads the module through here, under the loader's lock: nothing here
// may wait for a thread to end or load another DLL.
//
// When the host frees the module, its open windows are closed before the module's objects
// go (docs/windows.md tells how that is done under the lock). At the end of the process the
// system has already stopped the other threads: nothing is done then.
#include "platform/windows_api.h"
#include "ui/win32/county_window_thread.h"

// C linkage so the C run time's DLL start-up finds this one rather than its empty default.
// It runs before the module's objects are destroyed.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) tarno::CloseCountyWindowAtUnload();
  return TRUE;
}
