#include "control_event_sink.h"

namespace clickora::platform::win32 {

IUnknown* ControlEventSink::AnswerOther(REFIID iid) noexcept {
  return iid == events_ ? static_cast<IDispatch*>(this) : nullptr;
}

HRESULT ControlEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ControlEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT ControlEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                 EXCEPINFO*, UINT*) {
  if (result) ::VariantInit(result);
  const auto name = names_.find(id);
  if (name == names_.end() || !handler_) return S_OK;  // an event the host has no procedure for
  // Keep the sink alive through the handler, which may release the control that holds it.
  AddRef();
  HRESULT hr = S_OK;
  try {
    const Handler handler = handler_;
    handler(name->second);
  } catch (...) {
    hr = DISP_E_EXCEPTION;
  }
  Release();
  return hr;
}

}  // namespace clickora::platform::win32
