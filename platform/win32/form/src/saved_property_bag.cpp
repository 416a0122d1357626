#include "saved_property_bag.h"

#include <oleauto.h>

#include "platform/forms/property_names.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

std::pair<std::wstring, std::wstring>* SavedPropertyBag::Find(const wchar_t* name) {
  return forms::FindSavedProperty<wchar_t>(properties_, name);
}

HRESULT SavedPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  const auto* property = Find(name);
  if (!property) return E_INVALIDARG;
  const VARTYPE wanted = value->vt;
  VARIANT text;
  ::VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal =
      ::SysAllocStringLen(property->second.data(), static_cast<UINT>(property->second.size()));
  if (!text.bstrVal) return E_OUTOFMEMORY;
  if (wanted == VT_EMPTY || wanted == VT_BSTR) {
    *value = text;  // the caller owns the string now
    return S_OK;
  }
  ::VariantInit(value);
  const HRESULT hr = ::VariantChangeType(value, &text, 0, wanted);
  ::VariantClear(&text);
  return hr;
}

HRESULT SavedPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  VARIANT text;
  ::VariantInit(&text);
  const HRESULT hr = ::VariantChangeType(&text, value, VARIANT_ALPHABOOL, VT_BSTR);
  if (FAILED(hr)) return hr;
  const UniqueBstr owned(text.bstrVal);
  try {
    std::wstring stored(owned.Get(), ::SysStringLen(owned.Get()));
    if (auto* property = Find(name)) {
      property->second = std::move(stored);
    } else {
      properties_.emplace_back(name, std::move(stored));
    }
  } catch (...) {  // nothing thrown may cross the interface
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace clickora::platform::win32
