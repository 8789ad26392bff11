#ifndef TARNO_TESTS_WIN32_FAKE_HOST_FAKE_HOST_REGISTRATION_H_
#define TARNO_TESTS_WIN32_FAKE_HOST_FAKE_HOST_REGISTRATION_H_

// Publishing a fake host object as the logger publishes its own: a ProgID naming a class
// id, and the object in the running object table under that class id. And the message
// pump a logger's UI thread keeps running, which calls from other apartments need.

#include <objbase.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/windows_api.h"

namespace tarno_test {

// HKEY_CLASSES_ROOT\<progId>\CLSID = the class id in braces. Wine looks a ProgID up there
// only (not under HKEY_CURRENT_USER\Software\Classes). False when it cannot be written.
bool RegisterProgId(const std::wstring& progId, const CLSID& classId);
void UnregisterProgId(const std::wstring& progId);

// The object in the running object table while this lives; on the registering thread,
// which must be in an apartment.
class ActiveObject {
 public:
  ActiveObject(IUnknown* object, const CLSID& classId);
  ~ActiveObject() { Revoke(); }
  ActiveObject(const ActiveObject&) = delete;
  ActiveObject& operator=(const ActiveObject&) = delete;

  bool registered() const { return m_registered; }
  HRESULT status() const { return m_status; }
  void Revoke();

 private:
  DWORD m_cookie = 0;
  bool m_registered = false;
  HRESULT m_status;
};

// Whether a call from another apartment waits in the calling thread's queue: COM posts it
// to the apartment's hidden window, which the thread serves when it dispatches messages.
bool ComCallWaiting();

// Dispatches the calling thread's messages until `done` answers true (checked between
// messages) or `limit` has passed; true when done.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace tarno_test

#endif  // TARNO_TESTS_WIN32_FAKE_HOST_FAKE_HOST_REGISTRATION_H_
