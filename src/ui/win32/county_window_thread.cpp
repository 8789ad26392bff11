// The county window's thread on Windows, and how the host's thread starts and closes it.
//
// Unloading: the host frees the module with FreeLibrary, which calls DllMain under the
// loader's lock. CloseCountyWindowAtUnload closes both windows there and lets the module go
// only once no code of it can run on the window thread again. It never waits for the thread
// to end, since ending a thread takes the loader's lock; it waits until the thread has
// finished with its windows and has gone into ExitThread, which it sees by the thread's
// instruction pointer. Meanwhile the host's thread lets COM's calls through, so that a
// refresh in the middle of a call to the host finishes and the window thread can give the
// host's object back. Leaving COM would free libraries, which takes the loader's lock: at
// unload the thread therefore leaves its apartment to the system as it ends. Every wait is
// bounded; a thread that does not get out in time is stopped where it stands
// (TerminateThread), as the end of the process would stop it, rather than left to run code
// that is no longer there.
//
// At the end of the process the system has already stopped the other threads, which must
// not be waited for or touched.

#include "ui/win32/county_window_thread.h"

#include <atomic>
#include <memory>

#include "plugin/module_state.h"
#include "ui/county_window_control.h"
#include "ui/win32/county_window.h"
#include "ui/win32/module_instance.h"

// After the module's windows headers, which take the DrawText macro away.
#include <objbase.h>

namespace tarno {
namespace {

// Long enough for a refresh in the middle of a call to the host to finish; short enough
// that a window thread which never answers does not hold the host for long.
constexpr DWORD kCloseBoundMs = 5000;

// How a waiting host's thread looks again at a window thread it cannot be woken by.
constexpr DWORD kPollMs = 10;

enum ThreadState : int {
  kCreated,    // the thread has not reached the module's code yet
  kRunning,    // it runs the windows
  kCancelled,  // the module is going: it must never reach the module's code
};

// One start of the county window. The host's thread owns it (Win32CountyWindow::m_run) and
// lets it go only once the thread has ended; the thread uses it until its last step.
struct WindowRun {
  ~WindowRun() {
    if (thread != nullptr) CloseHandle(thread);
  }
  CountyWindowLink link;
  HANDLE thread = nullptr;  // the host's thread's alone
  std::atomic<int> state{kCreated};
  std::atomic<bool> unloading{false};  // the module is being freed
  std::atomic<bool> ended{false};      // the thread's next step is ExitThread
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
    if (run.unloading) {
      g_hostLink->EndWindowThreadForUnload();
    } else {
      g_hostLink->EndWindowThread();
    }
  } catch (...) {
  }
  g_countyWindowExists = false;
}

// Nothing may come between the flag and ExitThread: the flag tells a host's thread in
// DllMain that no more code of the module runs here once the thread is outside it.
[[noreturn]] __attribute__((noinline)) void LeaveThread(std::atomic<bool>& ended) {
  ended = true;
  ExitThread(0);
}

DWORD WINAPI CountyWindowThread(void* param) {
  WindowRun& run = *static_cast<WindowRun*>(param);
  int created = kCreated;
  if (run.state.compare_exchange_strong(created, kRunning)) RunCountyWindow(run);
  LeaveThread(run.ended);
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

bool HasEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// Waits, inside DllMain, until `done` holds or the deadline passes. Only what the window
// thread may need from this one is let through: COM's calls into this thread's apartment
// (where the host's object may live) and messages other threads send; the host's own
// posted messages wait for its loop.
template <typename Done>
bool WaitLettingComThrough(HANDLE thread, ULONGLONG deadline, Done done) {
  // COM's wait wakes for messages that came since the thread last looked at its queue; a
  // call that came before, while the host peeked at its messages, would wait unseen. A
  // message of no meaning wakes it once for those.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    DWORD signalled = 0;
    const HRESULT status = CoWaitForMultipleHandles(0, kPollMs, 1, &thread, &signalled);
    if (FAILED(status) && status != RPC_S_CALLPENDING) {  // not in COM: no calls to serve
      MsgWaitForMultipleObjectsEx(1, &thread, kPollMs, QS_SENDMESSAGE, 0);
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

bool IsModuleCode(ULONG_PTR address) {
  const auto base = reinterpret_cast<ULONG_PTR>(ModuleInstance());
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + __ImageBase.e_lfanew);
  return address >= base && address - base < headers->OptionalHeader.SizeOfImage;
}

// Whether the thread, stopped for a moment, was outside the module's code.
bool IsOutsideModule(HANDLE thread) {
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) return HasEnded(thread);
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_CONTROL;
  const bool read = GetThreadContext(thread, &context) != FALSE;
  ResumeThread(thread);
#if defined(_WIN64)
  return read && !IsModuleCode(context.Rip);
#else
  return read && !IsModuleCode(context.Eip);
#endif
}

// Runs on the host's thread only. Dispatching the host's messages inside Close may call
// Start or Close again; every step therefore works on the run it began with and replaces
// m_run only if nothing else has.
class Win32CountyWindow : public CountyWindowControl {
 public:
  bool IsOpen() override {
    return m_run != nullptr && !m_run->ended && !HasEnded(m_run->thread);
  }

  void Start() override {
    Close();
    if (m_run != nullptr) return;  // the open window did not close: it stays the one
    auto run = std::make_shared<WindowRun>();
    run->thread = CreateThread(nullptr, 0, &CountyWindowThread, run.get(), 0, nullptr);
    if (run->thread == nullptr) return;
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

  void CloseAtUnload() noexcept {
    WindowRun* run = m_run.get();
    if (run == nullptr || HasEnded(run->thread)) return;
    int created = kCreated;
    if (!run->state.compare_exchange_strong(created, kCancelled)) {
      run->unloading = true;
      run->link.RequestClose();
      const ULONGLONG deadline = GetTickCount64() + kCloseBoundMs;
      const HANDLE thread = run->thread;
      if (WaitLettingComThrough(thread, deadline, [&] { return run->ended || HasEnded(thread); }) &&
          WaitLettingComThrough(thread, deadline, [&] { return IsOutsideModule(thread); })) {
        return;
      }
    }
    // Not started yet (it waits for the loader's lock to start), or stuck: either way it
    // would run code of the module once the module has gone.
    TerminateThread(run->thread, 1);
    WaitForSingleObject(run->thread, kCloseBoundMs);
  }

 private:
  std::shared_ptr<WindowRun> m_run;
};

Win32CountyWindow& TheCountyWindow() {
  // Destroyed after DllMain has seen the window thread out of the module.
  static Win32CountyWindow window;
  return window;
}

}  // namespace

CountyWindowControl* CountyWindowControl::Default() { return &TheCountyWindow(); }

void CloseCountyWindowAtUnload() noexcept { TheCountyWindow().CloseAtUnload(); }

}  // namespace tarno
