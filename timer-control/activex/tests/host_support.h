#pragma once

// What the checks of the horolon.ocx test host share: late binding by DISPID, a container's event
// sink and property bag, the message pump, and stream records. Each group of checks is a file of
// its own (registration_checks.cpp, type_library_checks.cpp, dispatch_checks.cpp,
// event_checks.cpp, persistence_checks.cpp); horolon_host.cpp runs them in order.
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "horolon_h.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/module_path.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wine_checks.h"
#include "timer_control/long_timer_identity.h"

namespace horolon_test {

using clickora::platform::win32::ComPtr;
using clickora::platform::win32::Narrow;
using clickora::platform::win32::UniqueHmodule;
using clickora::testing::Check;

constexpr DISPID kInterval = clickora::horolon::identity::kIntervalDispId;
constexpr DISPID kEnabled = clickora::horolon::identity::kEnabledDispId;
// Marks an object as safe for scripting; the control must not claim that.
const IID kIidObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};

using DllFunction = HRESULT(STDAPICALLTYPE*)();
using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

inline std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// The folder of the host program, where horolon.ocx is.
inline std::wstring ModuleFolder() {
  std::wstring folder;
  clickora::platform::win32::ModuleFolder(nullptr, folder);
  return folder;
}

inline std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

// ---- Variants and late binding -------------------------------------------------------------

struct Variant {
  Variant() { ::VariantInit(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&v); }
  VARIANT v;
};

inline VARIANT R4(float value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_R4;
  v.fltVal = value;
  return v;
}

inline VARIANT Bool(bool value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

inline HRESULT Put(IDispatch* object, DISPID id, VARIANT value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &named, 1, 1};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                        nullptr, nullptr);
}

inline HRESULT Get(IDispatch* object, DISPID id, Variant& result) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ::VariantClear(&result.v);
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result.v,
                        nullptr, nullptr);
}

inline float GetInterval(IDispatch* object) {
  Variant value;
  if (FAILED(Get(object, kInterval, value)) || value.v.vt != VT_R4) return -12345.0f;
  return value.v.fltVal;
}

inline int GetEnabled(IDispatch* object) {  // 1 true, 0 false, -1 failure or wrong type
  Variant value;
  if (FAILED(Get(object, kEnabled, value)) || value.v.vt != VT_BOOL) return -1;
  return value.v.boolVal == VARIANT_TRUE ? 1 : 0;
}

inline ComPtr<IDispatch> NewControl() {
  ComPtr<IDispatch> object;
  ::CoCreateInstance(CLSID_LongTimer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                     object.PutVoid());
  return object;
}

inline void Pump(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= milliseconds) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - spent, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

inline double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// ---- A container's event sink and property bag --------------------------------------------

class EventSink final : public IDispatch {
 public:
  std::vector<double> times;
  std::function<void()> on_event;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID___LongTimer)
      return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id != 1 || !params || params->cArgs != 0) return DISP_E_MEMBERNOTFOUND;
    times.push_back(Seconds());
    if (on_event) on_event();
    return S_OK;
  }
  ULONG refs() const { return refs_; }

 private:
  ULONG refs_ = 0;
};

// The IUnknown of a property bag that lives on a check's stack: its count never ends it.
class StackPropertyBag : public IPropertyBag {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
    *out = static_cast<IPropertyBag*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// Keeps names in lower case, as tapvane's window does, and finds them in any case.
class LowerCaseBag final : public StackPropertyBag {
 public:
  ~LowerCaseBag() {
    for (auto& entry : values_) ::VariantClear(&entry.second);
  }
  void SetText(const std::wstring& name, const wchar_t* text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(text);
    Store(name, v);
  }
  void Store(const std::wstring& name, VARIANT value) {
    VARIANT& slot = values_[Lower(name)];
    ::VariantClear(&slot);
    slot = value;
  }
  bool Has(const std::wstring& name) const { return values_.count(name) != 0; }
  std::wstring Text(const std::wstring& name) const {
    const auto found = values_.find(name);
    if (found == values_.end() || found->second.vt != VT_BSTR) return L"<none>";
    return found->second.bstrVal;
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : values_) names.push_back(entry.first);
    return names;
  }

  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    const auto found = values_.find(Lower(name));
    if (found == values_.end()) return E_INVALIDARG;
    return ::VariantCopy(value, &found->second);
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT copy;
    ::VariantInit(&copy);
    const HRESULT hr = ::VariantCopy(&copy, value);
    if (FAILED(hr)) return hr;
    Store(name, copy);
    return S_OK;
  }

 private:
  std::map<std::wstring, VARIANT> values_;
};

struct Advised {
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
};

inline Advised Advise(IDispatch* object, EventSink& sink) {
  Advised advised;
  ComPtr<IConnectionPointContainer> container;
  if (SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
      SUCCEEDED(container->FindConnectionPoint(DIID___LongTimer, advised.point.Put()))) {
    advised.point->Advise(static_cast<IDispatch*>(&sink), &advised.cookie);
  }
  return advised;
}

inline ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
  ComPtr<IStream> stream;
  ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  ULONG written = 0;
  if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

inline std::vector<BYTE> Record(WORD version, WORD payload_size, float interval, SHORT enabled,
                                std::size_t extra) {
  std::vector<BYTE> bytes = {'H', 'L', 'T', 'M'};
  bytes.push_back(static_cast<BYTE>(version & 0xFF));
  bytes.push_back(static_cast<BYTE>(version >> 8));
  bytes.push_back(static_cast<BYTE>(payload_size & 0xFF));
  bytes.push_back(static_cast<BYTE>(payload_size >> 8));
  BYTE raw[4];
  std::memcpy(raw, &interval, 4);
  bytes.insert(bytes.end(), raw, raw + 4);
  bytes.push_back(static_cast<BYTE>(enabled & 0xFF));
  bytes.push_back(static_cast<BYTE>((enabled >> 8) & 0xFF));
  bytes.push_back(0);
  bytes.push_back(0);
  bytes.insert(bytes.end(), extra, 0xAB);
  return bytes;
}

inline std::vector<BYTE> CutShort(std::vector<BYTE> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// The groups of checks, in the order the host runs them.
void CheckResources(HMODULE module);
void CheckInterfaces(IDispatch* object);
void CheckTypeLibrary(IDispatch* object);
void CheckProperties();
void CheckEvents();
void CheckPropertyBag();
void CheckStream();
void CheckFactory(DllFunction can_unload, DllGetClassObjectFunction get_class_object);
void CheckExports(HMODULE module);
void CheckBagFailures();
void CheckConnectionPoints();
void CheckInPlace();
void CheckWindowTimers();
void CheckRegistrationRollback(HMODULE control);

}  // namespace horolon_test
