#include "fake_host/fake_host_object.h"

namespace tarno_test {

FakeHostObject::FakeHostObject() {
  VariantInit(&m_enteredCall);
  VariantInit(&m_frequency);
  SetEnteredCall(L"");
  SetFrequencyHz(0.0);
}

FakeHostObject::~FakeHostObject() {
  VariantClear(&m_enteredCall);
  VariantClear(&m_frequency);
}

void FakeHostObject::SetEnteredCall(const std::wstring& call) {
  VARIANT answer;
  VariantInit(&answer);
  answer.vt = VT_BSTR;
  answer.bstrVal = SysAllocStringLen(call.data(), static_cast<UINT>(call.size()));
  SetEnteredCallAnswer(answer);
  VariantClear(&answer);
}

void FakeHostObject::SetFrequencyHz(double freqHz) {
  VARIANT answer;
  VariantInit(&answer);
  answer.vt = VT_R8;
  answer.dblVal = freqHz;
  SetFrequencyAnswer(answer);
}

void FakeHostObject::SetEnteredCallAnswer(const VARIANT& answer) {
  std::lock_guard<std::mutex> hold(m_mutex);
  VariantCopy(&m_enteredCall, const_cast<VARIANT*>(&answer));
}

void FakeHostObject::SetFrequencyAnswer(const VARIANT& answer) {
  std::lock_guard<std::mutex> hold(m_mutex);
  VariantCopy(&m_frequency, const_cast<VARIANT*>(&answer));
}

void FakeHostObject::FailCallsWith(HRESULT status) {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_failure = status;
}

void FakeHostObject::OnCall(std::function<void(DISPID)> hook) {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_hook = std::move(hook);
}

std::vector<std::wstring> FakeHostObject::Commands() const {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_commands;
}

std::vector<FakeHostObject::Call> FakeHostObject::Calls() const {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_calls;
}

LONG FakeHostObject::References() const {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_references;
}

HRESULT FakeHostObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeHostObject::AddRef() {
  std::lock_guard<std::mutex> hold(m_mutex);
  return static_cast<ULONG>(++m_references);
}

ULONG FakeHostObject::Release() {
  std::lock_guard<std::mutex> hold(m_mutex);
  return static_cast<ULONG>(--m_references);
}

HRESULT FakeHostObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT FakeHostObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT FakeHostObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}

HRESULT FakeHostObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                               VARIANT* result, EXCEPINFO* error, UINT*) {
  std::function<void(DISPID)> hook;
  HRESULT failure;
  {
    std::lock_guard<std::mutex> hold(m_mutex);
    Call call{id, kind, {}, -1, GetCurrentThreadId(), std::chrono::steady_clock::now()};
    for (UINT i = 0; parameters != nullptr && i < parameters->cArgs; ++i) {
      call.argumentTypes.push_back(parameters->rgvarg[i].vt);
    }
    if (!call.argumentTypes.empty() && call.argumentTypes[0] == VT_I4) {
      call.firstInteger = parameters->rgvarg[0].lVal;
    }
    m_calls.push_back(call);
    hook = m_hook;
    failure = m_failure;
  }
  if (hook) hook(id);
  if (failure == DISP_E_EXCEPTION && error != nullptr) {
    *error = EXCEPINFO{};
    error->bstrSource = SysAllocString(L"Fake host");
    error->bstrDescription = SysAllocString(L"The call failed on purpose");
    error->scode = E_FAIL;
  }
  if (failure != S_OK) return failure;
  return Answer(id, kind, parameters, result);
}

HRESULT FakeHostObject::Answer(DISPID id, WORD kind, DISPPARAMS* parameters, VARIANT* result) {
  const UINT count = parameters != nullptr ? parameters->cArgs : 0;
  if (result != nullptr) VariantInit(result);
  std::lock_guard<std::mutex> hold(m_mutex);
  switch (id) {
    case kFrequencyId:
      if ((kind & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
      if (count != 0) return DISP_E_BADPARAMCOUNT;
      return result != nullptr ? VariantCopy(result, &m_frequency) : S_OK;
    case kEnteredCallId:
      if ((kind & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
      if (count != 1) return DISP_E_BADPARAMCOUNT;
      return result != nullptr ? VariantCopy(result, &m_enteredCall) : S_OK;
    case kCommandId: {
      if ((kind & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
      if (count != 1) return DISP_E_BADPARAMCOUNT;
      const VARIANT& text = parameters->rgvarg[0];
      if (text.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
      m_commands.emplace_back(text.bstrVal, SysStringLen(text.bstrVal));
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace tarno_test
