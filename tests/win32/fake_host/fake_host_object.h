#ifndef TARNO_TESTS_WIN32_FAKE_HOST_FAKE_HOST_OBJECT_H_
#define TARNO_TESTS_WIN32_FAKE_HOST_FAKE_HOST_OBJECT_H_

// A stand-in for the logger's automation object, late-bound like the real one: dispatch
// id 2 (property get) answers the radio's frequency in Hz, id 8 (a method taking one
// integer) the call in the entry field, id 16 (a method taking one text) takes a command.
// It is as strict as a real server about the kind of call and its arguments, and records
// every call with the thread that ran it, so that a test can tell a call marshalled to the
// object's apartment from one made on a pointer used on the wrong thread.
//
// The test owns the object: it is never deleted by its last Release, so a test can read
// how many references COM and the module still hold. A test that ends with references
// left disconnects the object (CoDisconnectObject) before it goes.
//
// Every method may be called from any thread.

#include <objbase.h>
#include <oleauto.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace tarno_test {

class FakeHostObject : public IDispatch {
 public:
  static constexpr DISPID kFrequencyId = 2;
  static constexpr DISPID kEnteredCallId = 8;
  static constexpr DISPID kCommandId = 16;

  struct Call {
    DISPID id;
    WORD kind;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET, ...
    std::vector<VARTYPE> argumentTypes;
    LONG firstInteger;  // the first argument when it is VT_I4, else -1
    DWORD threadId;     // where it ran
    std::chrono::steady_clock::time_point at;
  };

  FakeHostObject();
  ~FakeHostObject();
  FakeHostObject(const FakeHostObject&) = delete;
  FakeHostObject& operator=(const FakeHostObject&) = delete;

  // What the host shows: the typed call (a text) and the radio's frequency (a double).
  void SetEnteredCall(const std::wstring& call);
  void SetFrequencyHz(double freqHz);
  // Any answer at all, for hosts that answer something unexpected.
  void SetEnteredCallAnswer(const VARIANT& answer);
  void SetFrequencyAnswer(const VARIANT& answer);
  // Every call fails with `status` from now on (S_OK: none fails); DISP_E_EXCEPTION comes
  // with error texts, as a server that raises an exception gives them.
  void FailCallsWith(HRESULT status);
  // Runs at the start of every call, on the thread that runs it.
  void OnCall(std::function<void(DISPID)> hook);

  std::vector<std::wstring> Commands() const;
  std::vector<Call> Calls() const;
  LONG References() const;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: no type information and no names; only Invoke by dispatch id.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* error, UINT* badArgument) override;

 private:
  HRESULT Answer(DISPID id, WORD kind, DISPPARAMS* parameters, VARIANT* result);

  mutable std::mutex m_mutex;
  LONG m_references = 0;
  VARIANT m_enteredCall;
  VARIANT m_frequency;
  HRESULT m_failure = S_OK;
  std::function<void(DISPID)> m_hook;
  std::vector<std::wstring> m_commands;
  std::vector<Call> m_calls;
};

}  // namespace tarno_test

#endif  // TARNO_TESTS_WIN32_FAKE_HOST_FAKE_HOST_OBJECT_H_
