#include "fake_host/fake_host_registration.h"

#include <oleauto.h>

namespace tarno_test {

bool RegisterProgId(const std::wstring& progId, const CLSID& classId) {
  wchar_t text[64] = L"";
  if (StringFromGUID2(classId, text, 64) == 0) return false;
  HKEY key = nullptr;
  const std::wstring path = progId + L"\\CLSID";
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  const LONG status =
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

void UnregisterProgId(const std::wstring& progId) {
  RegDeleteKeyW(HKEY_CLASSES_ROOT, (progId + L"\\CLSID").c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, progId.c_str());
}

ActiveObject::ActiveObject(IUnknown* object, const CLSID& classId)
    : m_status(RegisterActiveObject(object, classId, ACTIVEOBJECT_STRONG, &m_cookie)) {
  m_registered = SUCCEEDED(m_status);
}

void ActiveObject::Revoke() {
  if (!m_registered) return;
  RevokeActiveObject(m_cookie, nullptr);
  m_registered = false;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return done();
    // Short waits: `done` may turn true without a message to wake us.
    const DWORD wait = static_cast<DWORD>(left.count() < 10 ? left.count() : 10);
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

bool ComCallWaiting() {
  for (HWND window = nullptr;
       (window = FindWindowExW(HWND_MESSAGE, window, L"OleMainThreadWndClass", nullptr));) {
    MSG message;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
        PeekMessageW(&message, window, 0, 0, PM_NOREMOVE | PM_NOYIELD)) {
      return true;
    }
  }
  return false;
}

}  // namespace tarno_test
