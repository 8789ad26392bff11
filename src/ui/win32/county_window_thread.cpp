// The county window's thread on Windows, and how the host's thread starts and closes it,
// also from DllMain when the host frees the module. docs/windows.md tells what each thread
// waits for, with what bound, and why; in short: the host's thread never waits without a
// bound, lets through only COM's calls and messages other threads send, and at unload waits
// only until the window thread has left the module's code, never for its end.

#include "ui/win32/county_window_thread.h"

#include <atomic>
#include <memory>

#include "ui/county_window_control.h"
#include "ui/module_view.h"
#include "ui/win32/county_window.h"
#include "ui/win32/module_instance.h"

// After the module's windows headers, which take the DrawText macro away.
#include <objbase.h>

namespace tarno {
namespace {

// Long enough for a refresh in the middle of a call to the host to finish; short enough
// that a window thread which never answers does not hold the host for long.
constexpr DWORD kCloseBoundMs = 5000;

// How long the host waits at most for a new county window to come up.
constexpr DWORD kStartBoundMs = 3000;

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
  explicit WindowRun(ModuleView& shown) : module(shown) {}
  ~WindowRun() {
    if (thread != nullptr) CloseHandle(thread);
    if (opened != nullptr) CloseHandle(opened);
    if (left != nullptr) CloseHandle(left);
  }
  ModuleView& module;
  CountyWindowLink link;
  HANDLE thread = nullptr;  // the host's thread's alone
  HANDLE opened = nullptr;  // set once the county window is up
  HANDLE left = nullptr;    // set by the thread as it leaves the module's code for good
  std::atomic<int> state{kCreated};
  std::atomic<bool> unloading{false};  // the module is being freed
};

// At most one county window at a time, whatever the threads.
std::atomic<bool> g_countyWindowExists{false};

void RunCountyWindow(WindowRun& run) noexcept {
  if (g_countyWindowExists.exchange(true)) return;
  try {
    oblast window(ModuleInstance(), &run.link, run.module);
    window.Run();
  } catch (...) {
  }
  try {
    if (run.unloading) {
      run.module.Host().EndWindowThreadForUnload();
    } else {
      run.module.Host().EndWindowThread();
    }
  } catch (...) {
  }
  g_countyWindowExists = false;
}

// Sets `event` and ends the calling thread without a single further instruction of the
// module: SetEvent is entered with ExitThread as its return address. (The addresses are the
// system's own, read from the import table, not the module's jump stubs.)
[[noreturn]] void SignalAndExitThread(HANDLE event) {
#if defined(__i386__)
  void* const setEvent = reinterpret_cast<void*>(&SetEvent);
  void* const exitThread = reinterpret_cast<void*>(&ExitThread);
  asm volatile(
      "pushl $0\n\t"  // ExitThread's exit code
      "pushl $0\n\t"  // ExitThread's return address: it never returns
      "pushl %0\n\t"  // SetEvent's argument
      "pushl %1\n\t"  // SetEvent's return address
      "jmp *%2"
      :
      : "r"(event), "r"(exitThread), "r"(setEvent)
      : "memory");
  __builtin_unreachable();
#else
#error "the module is built for 32-bit Windows only"
#endif
}

DWORD WINAPI CountyWindowThread(void* param) {
  WindowRun& run = *static_cast<WindowRun*>(param);
  int created = kCreated;
  if (run.state.compare_exchange_strong(created, kRunning)) RunCountyWindow(run);
  SignalAndExitThread(run.left);
}

bool HasEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// Waits at most `boundMs` for one of the handles, answering what other threads send this one
// meanwhile (a new window may tell the window it takes over from) but nothing posted.
void WaitLettingSentMessagesThrough(const HANDLE (&handles)[3], DWORD boundMs) {
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    const DWORD woke = MsgWaitForMultipleObjectsEx(3, handles, static_cast<DWORD>(deadline - now),
                                                   QS_SENDMESSAGE, 0);
    if (woke < WAIT_OBJECT_0 + 3 || woke == WAIT_TIMEOUT || woke == WAIT_FAILED) return;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

// Waits until one of the handles is signalled or the deadline passes. Only what the window
// thread may need from this one is let through: COM's calls into this thread's apartment
// (where the host's object may live) and messages other threads send. The host's own posted
// messages and input wait for its loop, so that none of them can call into the module while
// it waits (in HIDEINFO, or in DllMain at unload).
template <DWORD kCount>
bool WaitLettingComThrough(const HANDLE (&handles)[kCount], ULONGLONG deadline) {
  // COM's wait wakes for messages that came since the thread last looked at its queue; a
  // call that came before, while the host peeked at its messages, would wait unseen. A
  // message of no meaning wakes it once for those.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  HANDLE waitFor[kCount];
  for (DWORD i = 0; i < kCount; ++i) waitFor[i] = handles[i];
  for (;;) {
    if (WaitForMultipleObjects(kCount, waitFor, FALSE, 0) < WAIT_OBJECT_0 + kCount) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    const DWORD waitMs = static_cast<DWORD>(deadline - now);
    DWORD signalled = 0;
    const HRESULT status = CoWaitForMultipleHandles(0, waitMs, kCount, waitFor, &signalled);
    if (FAILED(status) && status != RPC_S_CALLPENDING) {  // not in COM: no calls to serve
      MsgWaitForMultipleObjectsEx(kCount, waitFor, kPollMs, QS_SENDMESSAGE, 0);
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

// Runs on the host's thread only. What the waits let through could still reach the module
// again; every step therefore works on the run it began with and replaces m_run only if
// nothing else has.
class Win32CountyWindow : public CountyWindowControl {
 public:
  bool IsOpen() override {
    return m_run != nullptr && !HasEnded(m_run->left) && !HasEnded(m_run->thread);
  }

  void Start() override {
    Close();
    if (m_run != nullptr) return;  // the open window did not close: it stays the one
    if (m_module == nullptr) return;
    auto run = std::make_shared<WindowRun>(*m_module);
    run->opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    run->left = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (run->opened == nullptr || run->left == nullptr) return;
    run->link.SetOpenedEvent(run->opened);
    run->thread = CreateThread(nullptr, 0, &CountyWindowThread, run.get(), 0, nullptr);
    if (run->thread == nullptr) return;
    // A thread starting up, or making its first window, may wait for the loader's lock: an
    // unload meanwhile could only stop it. Returning once the window is up leaves the host
    // no such moment to unload in.
    const HANDLE up[] = {run->opened, run->left, run->thread};
    WaitLettingSentMessagesThrough(up, kStartBoundMs);
    m_run = std::move(run);
  }

  void Close() override {
    std::shared_ptr<WindowRun> run = m_run;
    if (run == nullptr) return;
    run->link.RequestClose();
    // A thread that died without a word has ended all the same: its handle tells.
    const HANDLE waitFor[] = {run->thread};
    if (!WaitLettingComThrough(waitFor, GetTickCount64() + kCloseBoundMs)) return;
    if (m_run == run) m_run.reset();
  }

  void RequestRefresh() override {
    if (m_run != nullptr) m_run->link.RequestRefresh();
  }

  void Show(ModuleView& module) { m_module = &module; }

  void CloseAtUnload() noexcept {
    WindowRun* run = m_run.get();
    if (run == nullptr || HasEnded(run->thread)) return;
    int created = kCreated;
    if (!run->state.compare_exchange_strong(created, kCancelled)) {
      run->unloading = true;
      run->link.RequestClose();
      const ULONGLONG deadline = GetTickCount64() + kCloseBoundMs;
      const HANDLE waitFor[] = {run->left, run->thread};
      if (WaitLettingComThrough(waitFor, deadline)) return;
    }
    // Not started yet (it waits for the loader's lock to start), or stuck: either way it
    // would run code of the module once the module has gone.
    TerminateThread(run->thread, 1);
    WaitForSingleObject(run->thread, kCloseBoundMs);
  }

 private:
  ModuleView* m_module = nullptr;
  std::shared_ptr<WindowRun> m_run;
};

Win32CountyWindow& TheCountyWindow() {
  // Destroyed after DllMain has seen the window thread out of the module.
  static Win32CountyWindow window;
  return window;
}

}  // namespace

CountyWindowControl* CountyWindowControl::Default(ModuleView& module) {
  TheCountyWindow().Show(module);
  return &TheCountyWindow();
}

void CloseCountyWindowAtUnload() noexcept { TheCountyWindow().CloseAtUnload(); }

}  // namespace tarno
