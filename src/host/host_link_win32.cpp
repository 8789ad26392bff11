#include "host/host_link_win32.h"

#include <objbase.h>
#include <oleauto.h>

#include <cmath>

#include "platform/windows_api.h"

namespace tarno {

HostLink* HostLink::Default() {
  static HostLinkWin32 link;
  return &link;
}

namespace {

constexpr DISPID kFrequencyId = 2;
constexpr DISPID kEnteredCallId = 8;
constexpr DISPID kCommandId = 16;
constexpr LONG kEnteredCallArgument = 5;

// A window thread that found no object does not ask the running object table at every
// refresh, only this often.
constexpr std::chrono::seconds kLookUpInterval{1};

// Longer than any look-up takes while the host's thread answers COM's messages.
constexpr DWORD kLookUpTurnWaitMs = 5000;

// One reference to the host's object, given back however the scope is left.
class HostRef {
 public:
  explicit HostRef(IDispatch* host) : m_host(host) {}
  ~HostRef() {
    if (m_host != nullptr) m_host->Release();
  }
  HostRef(const HostRef&) = delete;
  HostRef& operator=(const HostRef&) = delete;

  IDispatch* get() const { return m_host; }

 private:
  IDispatch* m_host;
};

// The calling thread's own CoInitialize, balanced when the scope is left; a thread that
// was already in another kind of apartment is left as it was.
class ComScope {
 public:
  ComScope() : m_entered(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (m_entered) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  const bool m_entered;
};

// The turn to look the host up, given back however the scope is left. The wait lets the
// calls COM delivers to a single-threaded apartment through, so that the host's thread
// answers the look-up whose turn it waits for.
class LookUpTurn {
 public:
  explicit LookUpTurn(HANDLE turn) : m_turn(turn), m_taken(Take(turn)) {}
  ~LookUpTurn() {
    if (m_taken) SetEvent(m_turn);
  }
  LookUpTurn(const LookUpTurn&) = delete;
  LookUpTurn& operator=(const LookUpTurn&) = delete;

  bool taken() const { return m_taken; }

 private:
  static bool Take(HANDLE turn) {
    if (turn == nullptr) return false;
    DWORD signalled = 0;
    return CoWaitForMultipleHandles(0, kLookUpTurnWaitMs, 1, &turn, &signalled) == S_OK;
  }

  const HANDLE m_turn;
  const bool m_taken;
};

// A reference to the running object registered for the ProgID, as the calling apartment
// may use it; null when there is none.
IDispatch* LookUpHost(const std::wstring& progId) {
  CLSID classId;
  if (FAILED(CLSIDFromProgID(progId.c_str(), &classId))) return nullptr;
  IUnknown* object = nullptr;
  if (FAILED(GetActiveObject(classId, nullptr, &object)) || object == nullptr) return nullptr;
  IDispatch* host = nullptr;
  if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&host)))) {
    host = nullptr;
  }
  object->Release();
  return host;
}

HRESULT Invoke(IDispatch* host, DISPID id, WORD kind, VARIANT* arguments, UINT argumentCount,
               VARIANT* result) {
  DISPPARAMS parameters = {arguments, nullptr, argumentCount, 0};
  EXCEPINFO error = {};
  UINT badArgument = 0;
  const HRESULT status = host->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result,
                                      &error, &badArgument);
  // The host's error texts are not shown anywhere, but they are ours to free.
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  return status;
}

std::string ToAnsi(const wchar_t* text, int length) {
  if (text == nullptr || length <= 0) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, &ansi[0], size, nullptr, nullptr);
  return ansi;
}

std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], size);
  return wide;
}

HRESULT AskEnteredCall(IDispatch* host, std::string* call) {
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = kEnteredCallArgument;
  VARIANT result;
  VariantInit(&result);
  const HRESULT status = Invoke(host, kEnteredCallId, DISPATCH_METHOD, &argument, 1, &result);
  if (SUCCEEDED(status) && result.vt == VT_BSTR) {
    *call = ToAnsi(result.bstrVal, static_cast<int>(SysStringLen(result.bstrVal)));
  }
  VariantClear(&result);
  return status;
}

HRESULT AskFrequency(IDispatch* host, double* freqHz) {
  VARIANT result;
  VariantInit(&result);
  HRESULT status = Invoke(host, kFrequencyId, DISPATCH_PROPERTYGET, nullptr, 0, &result);
  if (SUCCEEDED(status) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_R8))) {
    // The refresh turns the frequency into a band by arithmetic that needs a real number.
    if (std::isfinite(result.dblVal)) *freqHz = result.dblVal;
  }
  VariantClear(&result);
  return status;
}

HRESULT SendCommand(IDispatch* host, const std::string& text) {
  const std::wstring wide = FromAnsi(text);
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (argument.bstrVal == nullptr) return E_OUTOFMEMORY;
  VARIANT result;
  VariantInit(&result);
  const HRESULT status = Invoke(host, kCommandId, DISPATCH_METHOD, &argument, 1, &result);
  VariantClear(&result);
  VariantClear(&argument);
  return status;
}

// The object, or its process, is no more: the reference will never work again.
bool IsGone(HRESULT status) {
  return status == RPC_E_DISCONNECTED || status == CO_E_OBJNOTCONNECTED ||
         status == RPC_E_SERVER_DIED || status == RPC_E_SERVER_DIED_DNE ||
         status == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
}

// Thread ids are reused: the creation time tells a new thread from an ended one.
unsigned long long ThisThreadCreationTime() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

HostLinkWin32::HostLinkWin32(const wchar_t* progId)
    : m_progId(progId), m_lookUpTurn(CreateEventW(nullptr, FALSE, TRUE, nullptr)) {}

HostLinkWin32::~HostLinkWin32() {
  if (m_lookUpTurn != nullptr) CloseHandle(m_lookUpTurn);
}

bool HostLinkWin32::SetUpFromScore() {
  try {
    if (m_startUpClaimed.load()) return true;
    const ComScope com;
    const HostRef host(LookUpHostInTurn());
    if (host.get() == nullptr) return false;
    SendStartUpCommandsOnce(host.get());
    return true;
  } catch (...) {
    return false;
  }
}

void HostLinkWin32::SetUpFromRefresh() {
  try {
    if (m_startUpClaimed.load()) return;
    const HostRef host(WindowThreadHost());
    SendStartUpCommandsOnce(host.get());
  } catch (...) {
  }
}

std::string HostLinkWin32::EnteredCall() {
  try {
    const HostRef host(WindowThreadHost());
    std::string call;
    if (host.get() != nullptr) NoteCallResult(AskEnteredCall(host.get(), &call));
    return call;
  } catch (...) {
    return std::string();
  }
}

double HostLinkWin32::FrequencyHz() {
  try {
    const HostRef host(WindowThreadHost());
    double freqHz = 0.0;
    if (host.get() != nullptr) NoteCallResult(AskFrequency(host.get(), &freqHz));
    return freqHz;
  } catch (...) {
    return 0.0;
  }
}

void HostLinkWin32::Command(const std::string& text) {
  try {
    const HostRef host(WindowThreadHost());
    if (host.get() != nullptr) NoteCallResult(SendCommand(host.get(), text));
  } catch (...) {
  }
}

void HostLinkWin32::EndWindowThread() { EndThisThread(true); }

void HostLinkWin32::EndWindowThreadForUnload() { EndThisThread(false); }

void HostLinkWin32::EndThisThread(bool leaveCom) {
  WindowThreadLink link;
  {
    std::lock_guard<std::mutex> hold(m_threadsMutex);
    auto found = m_threads.find(GetCurrentThreadId());
    if (found == m_threads.end()) return;
    const bool sameThread = found->second.createdAt == ThisThreadCreationTime();
    link = found->second;
    m_threads.erase(found);
    // An ended thread's leftovers belong to an apartment that is gone: not ours to touch.
    if (!sameThread) return;
  }
  if (link.host != nullptr) link.host->Release();
  if (link.comEntered && leaveCom) CoUninitialize();
}

IDispatch* HostLinkWin32::LookUpHostInTurn() {
  const LookUpTurn turn(m_lookUpTurn);
  return turn.taken() ? LookUpHost(m_progId) : nullptr;
}

HostLinkWin32::WindowThreadLink& HostLinkWin32::ThisThreadLink() {
  const unsigned long long createdAt = ThisThreadCreationTime();
  WindowThreadLink* link = nullptr;
  {
    std::lock_guard<std::mutex> hold(m_threadsMutex);
    WindowThreadLink& entry = m_threads[GetCurrentThreadId()];
    if (entry.createdAt == createdAt && entry.started) return entry;
    entry = WindowThreadLink();  // a new thread under a reused id: the old one's is lost
    entry.createdAt = createdAt;
    entry.started = true;
    link = &entry;
  }
  // Only this thread touches its entry, and map nodes stay put while others are added.
  link->comEntered = SUCCEEDED(CoInitialize(nullptr));
  return *link;
}

IDispatch* HostLinkWin32::WindowThreadHost() {
  WindowThreadLink& link = ThisThreadLink();
  const Clock::time_point now = Clock::now();
  if (link.host == nullptr && !link.lookingUp &&
      (!link.lookedUp || now - link.lastLookUp >= kLookUpInterval)) {
    // A look-up may wait on COM, which lets a nested refresh run: that one goes without.
    link.lookingUp = true;
    IDispatch* found = LookUpHostInTurn();
    link.lookingUp = false;
    link.lookedUp = true;
    link.lastLookUp = now;
    link.host = found;
  }
  if (link.host != nullptr) link.host->AddRef();
  return link.host;
}

void HostLinkWin32::NoteCallResult(long result) {
  if (!IsGone(result)) return;
  WindowThreadLink& link = ThisThreadLink();
  if (link.host != nullptr) link.host->Release();
  link.host = nullptr;
  link.lookedUp = false;
}

void HostLinkWin32::SendStartUpCommandsOnce(IDispatch* host) {
  if (m_startUpClaimed.exchange(true)) return;
  if (host == nullptr) return;
  SendCommand(host, "<MODE:CW>");
  SendCommand(host, "<BAUDRATE:27>");
}

}  // namespace tarno
