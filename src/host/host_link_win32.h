#ifndef TARNO_HOST_HOST_LINK_WIN32_H_
#define TARNO_HOST_HOST_LINK_WIN32_H_

// The host link through COM: the host's automation object is found in the running object
// table by its ProgID and called late-bound (IDispatch::Invoke by dispatch id).
//
// Apartments: no interface pointer ever crosses a thread. Every thread that calls the
// link looks the object up itself, and GetActiveObject hands each apartment its own proxy,
// so the window thread's calls run on the host's thread, marshalled by COM.
// - SetUpFromScore (the host's thread) enters COM, uses the object and leaves COM again
//   within the call; it never leaves an apartment it did not enter itself.
// - The other methods run on a window thread: its first call enters a single-threaded
//   apartment and looks the object up, and EndWindowThread, on that same thread, releases
//   the object and leaves the apartment (at unload the apartment ends with the thread). A
//   window thread that found no object looks again at most once a second, and one whose
//   object went away looks again at its next call.
//
// A window thread's call waits for the host's thread to take it (COM delivers it as a
// message there): whoever makes the host's thread wait for the window thread must keep
// pumping messages meanwhile. Across a call to the host the link holds no lock but the
// look-up turn below, so a refresh that starts inside another one's wait is safe.
//
// Look-ups take turns, and a thread waiting for its turn keeps COM's messages flowing.
// Wine's running object table holds a process-wide lock while it hands a window thread its
// proxy, and the proxy is not ready before the host's thread has answered: a look-up on the
// host's thread at that moment would wait for that lock without ever answering. Each wait
// is bounded; a thread that gets no turn finds no object this time.
//
// The start-up commands go out at most once per link, from whichever set-up claims them
// first; a refresh set-up claims them even when it reached no object.

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "host/host_link.h"
#include "platform/windows_api.h"

struct IDispatch;

namespace tarno {

class HostLinkWin32 : public HostLink {
 public:
  static constexpr const wchar_t* kHostProgId = L"Zelk2.Application";

  explicit HostLinkWin32(const wchar_t* progId = kHostProgId);
  // Releases no proxy: by the time the module is unloaded the threads that held them are
  // gone, and calling COM from the loader's lock could deadlock.
  ~HostLinkWin32() override;
  HostLinkWin32(const HostLinkWin32&) = delete;
  HostLinkWin32& operator=(const HostLinkWin32&) = delete;

  bool SetUpFromScore() override;
  void SetUpFromRefresh() override;
  std::string EnteredCall() override;
  double FrequencyHz() override;
  void Command(const std::string& text) override;
  void EndWindowThread() override;
  // Keeps the thread in its apartment: leaving it frees the libraries COM loaded.
  void EndWindowThreadForUnload() override;

 private:
  using Clock = std::chrono::steady_clock;

  // What one window thread holds; touched only by that thread once created.
  struct WindowThreadLink {
    bool started = false;
    unsigned long long createdAt = 0;  // tells the thread from a later one with its id
    bool comEntered = false;           // this link's CoInitialize succeeded on the thread
    bool lookingUp = false;            // a look-up is under way (a nested call waits for none)
    IDispatch* host = nullptr;
    bool lookedUp = false;
    Clock::time_point lastLookUp;
  };

  // The ProgID's running object as the calling apartment may use it, or null.
  IDispatch* LookUpHostInTurn();
  // The calling thread's link, entering COM on its first use.
  WindowThreadLink& ThisThreadLink();
  // The calling window thread's object with a reference of the caller's own, or null.
  IDispatch* WindowThreadHost();
  // A failed call tells whether the object is gone, so that the next call looks again.
  void NoteCallResult(long result);
  void SendStartUpCommandsOnce(IDispatch* host);
  void EndThisThread(bool leaveCom);

  const std::wstring m_progId;
  const HANDLE m_lookUpTurn;  // signalled while no look-up is under way
  std::atomic<bool> m_startUpClaimed{false};
  std::mutex m_threadsMutex;                            // guards the map, not its entries
  std::map<unsigned long, WindowThreadLink> m_threads;  // by thread id
};

}  // namespace tarno

#endif  // TARNO_HOST_HOST_LINK_WIN32_H_
