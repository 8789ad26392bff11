#include "platform/windows_api.h"
#include "replay/process_cleanup.h"

namespace tarno::score {
namespace {

// The system calls this on a thread of its own, so it may do what any code does.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    // A folder that is some process's current folder cannot be removed; the process is
    // ending, so it may as well stand elsewhere.
    char temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length > 0 && length < sizeof temporary) SetCurrentDirectoryA(temporary);
    interrupt::RemoveArmedPaths();
  }
  return FALSE;  // the handlers installed before, and in the end the system, go on as ever
}

}  // namespace

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessIsGone(unsigned long processId) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId));
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  // A process that has ended lives on as long as someone holds a handle to it.
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

namespace interrupt {

void InstallHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

void RemovePath(const char* path) {
  if (!DeleteFileA(path)) RemoveDirectoryA(path);
}

}  // namespace interrupt
}  // namespace tarno::score
