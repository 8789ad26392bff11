// The county window's thread on Windows, and how the host's thread starts and closes it.
//
// The module's lifetime: Start takes a reference to the module for the new thread, and the
// thread hands it back with FreeLibraryAndExitThread as its very last step, so the module
// stays mapped for as long as any of its code can run there. When the host frees the module
// with the windows open, FreeLibrary therefore only drops the host's reference and returns;
// the windows go on working, and the module is unloaded on the window thread once they have
// been closed (by the operator, or by a HIDEINFO from a host that loaded the module again).
// If the process ends first, the system ends the thread along with it.
//
// Closing the windows inside the host's FreeLibrary cannot be done soundly: while the thread
// holds its reference, that FreeLibrary gives the module no notice at all, and without the
// reference DllMain would have to wait, under the loader's lock, for a thread that may itself
// be waiting for that lock (loading a dialog template, COM loading a DLL) or for the host's
// thread (a call to the host's object), and could not let the module go before it stopped.

#include <atomic>
#include <memory>

#include "plugin/module_state.h"
#include "ui/county_window_control.h"
#include "ui/win32/county_window.h"
#include "ui/win32/module_instance.h"

namespace tarno {
namespace {

// Long enough for a refresh in the middle of a call to the host to finish; short enough
// that a window thread which never answers does not hold the host for long.
constexpr DWORD kCloseBoundMs = 5000;

// One start of the county window, shared by the host's thread and the window thread.
struct WindowRun {
  ~WindowRun() {
    if (thread != nullptr) CloseHandle(thread);
  }
  CountyWindowLink link;
  HANDLE thread = nullptr;         // the host's thread's alone
  std::atomic<bool> ended{false};  // the window thread is past its window
};

struct ThreadStart {
  std::shared_ptr<WindowRun> run;
  HMODULE moduleReference;
};

// At most one county window at a time, whatever the threads.
std::atomic<bool> g_countyWindowExists{false};

void RunCountyWindow(WindowRun& run) noexcept {
  if (g_countyWindowExists.exchange(true)) return;
  try {
    oblast window(ModuleInstance(), &run.link);
    window.Run();
  } catch (...) {
  }
  try {
    g_hostLink->EndWindowThread();
  } catch (...) {
  }
  g_countyWindowExists = false;
}

DWORD WINAPI CountyWindowThread(void* param) {
  HMODULE moduleReference = static_cast<ThreadStart*>(param)->moduleReference;
  {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
    RunCountyWindow(*start->run);
    start->run->ended = true;
  }
  // Unloads the module when this was its last reference, and ends the thread from the
  // system's code, so that no code of the module runs after it has gone.
  FreeLibraryAndExitThread(moduleReference, 0);
}

// Waits at most `boundMs` for the thread to end while the calling thread's messages keep
// flowing: a window thread in the middle of a call to the host's object needs this thread
// to serve that call before it can take the close request.
bool WaitPumpingMessages(HANDLE thread, DWORD boundMs) {
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  bool ended = false;
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
      break;
    }
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, static_cast<DWORD>(deadline - now),
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (woke != WAIT_OBJECT_0 + 1) continue;  // timed out or failed: the deadline decides
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        quitCode = message.wParam;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The host's own loop must still see a request to quit that came meanwhile.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return ended;
}

// Runs on the host's thread only. Dispatching the host's messages inside Close may call
// Start or Close again; every step therefore works on the run it began with and replaces
// m_run only if nothing else has.
class Win32CountyWindow : public CountyWindowControl {
 public:
  bool IsOpen() override {
    return m_run != nullptr && !m_run->ended &&
           WaitForSingleObject(m_run->thread, 0) != WAIT_OBJECT_0;
  }

  void Start() override {
    Close();
    if (m_run != nullptr) return;  // the open window did not close: it stays the one
    auto run = std::make_shared<WindowRun>();
    auto start = std::make_unique<ThreadStart>(ThreadStart{run, nullptr});
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(ModuleInstance()), &start->moduleReference)) {
      return;
    }
    run->thread = CreateThread(nullptr, 0, &CountyWindowThread, start.get(), 0, nullptr);
    if (run->thread == nullptr) {
      FreeLibrary(start->moduleReference);
      return;
    }
    start.release();  // the thread's now
    m_run = std::move(run);
  }

  void Close() override {
    std::shared_ptr<WindowRun> run = m_run;
    if (run == nullptr) return;
    run->link.RequestClose();
    // A thread that died without a word has ended all the same: its handle tells.
    if (!WaitPumpingMessages(run->thread, kCloseBoundMs)) return;
    if (m_run == run) m_run.reset();
  }

  void RequestRefresh() override {
    if (m_run != nullptr) m_run->link.RequestRefresh();
  }

 private:
  std::shared_ptr<WindowRun> m_run;
};

}  // namespace

CountyWindowControl* CountyWindowControl::Default() {
  // No thread of a window can be running when this is destroyed: each holds the module.
  static Win32CountyWindow window;
  return &window;
}

}  // namespace tarno
