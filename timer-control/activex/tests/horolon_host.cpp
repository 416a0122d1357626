// Test host for horolon.ocx, run under Wine: loads the control the way a container does and
// checks what the container relies on. Prints PASS/FAIL lines and "N passed, M failed".
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
#include "host_checks.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/unique_handle.h"

namespace {

using clickora::platform::win32::ComPtr;
using clickora::platform::win32::UniqueHmodule;
using horolon_test::Check;

constexpr DISPID kInterval = 0x68030003;
constexpr DISPID kEnabled = 0x68030002;
// Marks an object as safe for scripting; the control must not claim that.
const IID kIidObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};

using DllFunction = HRESULT(STDAPICALLTYPE*)();

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::wstring Lower(std::wstring text) {
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

VARIANT R4(float value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_R4;
  v.fltVal = value;
  return v;
}

VARIANT Bool(bool value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

HRESULT Put(IDispatch* object, DISPID id, VARIANT value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &named, 1, 1};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                        nullptr, nullptr);
}

HRESULT Get(IDispatch* object, DISPID id, Variant& result) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ::VariantClear(&result.v);
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result.v,
                        nullptr, nullptr);
}

float GetInterval(IDispatch* object) {
  Variant value;
  if (FAILED(Get(object, kInterval, value)) || value.v.vt != VT_R4) return -12345.0f;
  return value.v.fltVal;
}

int GetEnabled(IDispatch* object) {  // 1 true, 0 false, -1 failure or wrong type
  Variant value;
  if (FAILED(Get(object, kEnabled, value)) || value.v.vt != VT_BOOL) return -1;
  return value.v.boolVal == VARIANT_TRUE ? 1 : 0;
}

ComPtr<IDispatch> NewControl() {
  ComPtr<IDispatch> object;
  ::CoCreateInstance(CLSID_LongTimer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                     object.PutVoid());
  return object;
}

void Pump(DWORD milliseconds) {
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

double Seconds() {
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

// Keeps names in lower case, as tapvane's window does, and finds them in any case.
class LowerCaseBag final : public IPropertyBag {
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

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
    *out = static_cast<IPropertyBag*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
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

// ---- The checks -------------------------------------------------------------------------

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
  return narrow;
}

void CheckResources(HMODULE module) {
  struct IidResource {
    const wchar_t* type;
    const GUID* iid;
  };
  for (const IidResource& item : {IidResource{L"_IID_LONGTIMER", &IID__LongTimer},
                                  IidResource{L"_SRCIID_LONGTIMER", &DIID___LongTimer}}) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), item.type);
    const auto* data =
        found ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))) : nullptr;
    DWORD length = 0;
    if (data) std::memcpy(&length, data, 4);
    Check(data && ::SizeofResource(module, found) == 20 && length == 16 &&
              std::memcmp(data + 4, item.iid, 16) == 0,
          "resource " + Narrow(item.type) + " 1 holds length 16 and the IID");
  }
  // The library's own locale (of its names) is the second locale of the MSFT header.
  HRSRC typelib = ::FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB");
  const auto* header =
      typelib ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, typelib))) : nullptr;
  LCID names_lcid = 0;
  if (header) std::memcpy(&names_lcid, header + 0x10, 4);
  Check(header && std::memcmp(header, "MSFT", 4) == 0 && names_lcid == 0x0409,
        "resource TYPELIB 1, locale 0x0409");

  HBITMAP bitmap = static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(30000), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP info = {};
  if (bitmap) ::GetObjectW(bitmap, sizeof(info), &info);
  Check(bitmap && info.bmWidth == 16 && info.bmHeight == 15 && info.bmBitsPixel == 24,
        "bitmap 30000 is 16 x 15 at 24 bits");
  if (bitmap) ::DeleteObject(bitmap);

  Check(::FindResourceExW(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) != nullptr,
        "version resource 1 in language 1033");
  const std::wstring path = ModuleFolder() + L"\\horolon.ocx";
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
  const bool read =
      !block.empty() &&
      ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  const bool has_fixed =
      read && ::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size);
  Check(has_fixed && fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0 &&
            fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0 &&
            fixed->dwFileOS == VOS__WINDOWS32 && fixed->dwFileType == VFT_DLL,
        "fixed version 1.0.0.0, VOS__WINDOWS32, VFT_DLL");
  struct Entry {
    const wchar_t* key;
    const wchar_t* value;
  };
  for (const Entry& entry : {Entry{L"FileVersion", L"1.00"}, Entry{L"ProductVersion", L"1.00"},
                             Entry{L"ProductName", L"horolon"}, Entry{L"InternalName", L"horolon"},
                             Entry{L"OriginalFilename", L"horolon.ocx"},
                             Entry{L"CompanyName", L"Clickora"}, Entry{L"OLESelfRegister", L""}}) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + entry.key;
    wchar_t* text = nullptr;
    UINT length = 0;
    const bool found = read && ::VerQueryValueW(block.data(), query.c_str(),
                                                reinterpret_cast<void**>(&text), &length);
    const std::wstring value = found && text && length > 0 ? std::wstring(text) : L"";
    Check(found && value == entry.value,
          "version string " + Narrow(entry.key) + " = \"" + Narrow(value) + "\"");
  }
}

void CheckTypeLibrary(IDispatch* object) {
  ComPtr<IProvideClassInfo2> class_info;
  Check(SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo2, class_info.PutVoid())),
        "IProvideClassInfo2");
  if (!class_info) return;
  GUID source = GUID_NULL;
  Check(class_info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source) == S_OK &&
            source == DIID___LongTimer,
        "default source is __LongTimer");
  ComPtr<ITypeInfo> coclass;
  Check(SUCCEEDED(class_info->GetClassInfo(coclass.Put())), "GetClassInfo");
  ComPtr<ITypeLib> library;
  UINT index = 0;
  if (!coclass || FAILED(coclass->GetContainingTypeLib(library.Put(), &index))) {
    Check(false, "type library found through the class");
    return;
  }
  TLIBATTR* lib = nullptr;
  library->GetLibAttr(&lib);
  Check(lib && lib->guid == LIBID_Horolib && lib->wMajorVerNum == 6 && lib->wMinorVerNum == 0 &&
            (lib->lcid == 0 || lib->lcid == 0x0409) && (lib->wLibFlags & LIBFLAG_FCONTROL),
        "library GUID, version 6.0, control flag; locale " + std::to_string(lib ? lib->lcid : 0));
  if (lib) library->ReleaseTLibAttr(lib);
  BSTR name = nullptr;
  BSTR help = nullptr;
  library->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  Check(name && std::wstring(name) == L"Horolib" && help && ::SysStringLen(help) > 0,
        "library name Horolib with a help string");
  ::SysFreeString(name);
  ::SysFreeString(help);

  // The library registered by the class's TypeLib key is the same one.
  ComPtr<ITypeLib> registered;
  // NOTE: Windows registers the library under its neutral registration locale (0); Wine reads
  // the locale of the names (0x0409) instead. Asking for 0x0409 finds either.
  Check(SUCCEEDED(::LoadRegTypeLib(LIBID_Horolib, 6, 0, 0x0409, registered.Put())),
        "LoadRegTypeLib 6.0");

  struct Expected {
    const GUID* guid;
    TYPEKIND kind;
    WORD flags;
    const wchar_t* name;
  };
  // NOTE: the dispatch half of a dual interface does not report the OLE-automation flag
  // (0x100); the library holds 0x11D0, which the interface half reads back (checked below).
  const Expected expected[] = {{&IID__LongTimer, TKIND_DISPATCH, 0x10D0, L"_LongTimer"},
                               {&CLSID_LongTimer, TKIND_COCLASS, 0x20, L"LongTimer"},
                               {&DIID___LongTimer, TKIND_DISPATCH, 0x1090, L"__LongTimer"}};
  Check(library->GetTypeInfoCount() == 3, "three type descriptions");
  for (UINT i = 0; i < 3 && i < library->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    library->GetTypeInfo(i, info.Put());
    TYPEATTR* attr = nullptr;
    if (info) info->GetTypeAttr(&attr);
    BSTR type_name = nullptr;
    library->GetDocumentation(static_cast<INT>(i), &type_name, nullptr, nullptr, nullptr);
    char what[128];
    std::snprintf(what, sizeof(what), "type %u %s: kind %d flags 0x%X", i,
                  type_name ? Narrow(type_name).c_str() : "?", attr ? attr->typekind : -1,
                  attr ? attr->wTypeFlags : 0);
    Check(attr && attr->guid == *expected[i].guid && attr->typekind == expected[i].kind &&
              attr->wTypeFlags == expected[i].flags && type_name &&
              std::wstring(type_name) == expected[i].name,
          what);
    ::SysFreeString(type_name);
    if (attr) info->ReleaseTypeAttr(attr);
  }

  // _LongTimer members through its vtable part, in order.
  ComPtr<ITypeInfo> dispatch_info;
  ComPtr<ITypeInfo> vtable_info;
  HREFTYPE vtable_ref = 0;
  library->GetTypeInfoOfGuid(IID__LongTimer, dispatch_info.Put());
  if (dispatch_info &&
      SUCCEEDED(dispatch_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_ref))) {
    dispatch_info->GetRefTypeInfo(vtable_ref, vtable_info.Put());
  }
  struct Member {
    MEMBERID id;
    INVOKEKIND kind;
    VARTYPE type;
  };
  const Member members[] = {{kInterval, INVOKE_PROPERTYGET, VT_R4},
                            {kInterval, INVOKE_PROPERTYPUT, VT_R4},
                            {kEnabled, INVOKE_PROPERTYGET, VT_BOOL},
                            {kEnabled, INVOKE_PROPERTYPUT, VT_BOOL}};
  TYPEATTR* vtable_attr = nullptr;
  if (vtable_info) vtable_info->GetTypeAttr(&vtable_attr);
  Check(vtable_attr && vtable_attr->typekind == TKIND_INTERFACE && vtable_attr->cFuncs == 4,
        "_LongTimer has four members of its own");
  Check(vtable_attr && vtable_attr->wTypeFlags == 0x11D0,
        "_LongTimer (interface half) type flags 0x11D0, got 0x" + (vtable_attr ? [&] {
          char hex[8];
          std::snprintf(hex, sizeof(hex), "%X", vtable_attr->wTypeFlags);
          return std::string(hex);
        }() : std::string("?")));
  if (vtable_attr) vtable_info->ReleaseTypeAttr(vtable_attr);
  for (UINT i = 0; vtable_info && i < 4; ++i) {
    FUNCDESC* func = nullptr;
    vtable_info->GetFuncDesc(i, &func);
    bool ok = func && func->memid == members[i].id && func->invkind == members[i].kind &&
              func->cParams == 1;
    if (ok) {
      const ELEMDESC& param = func->lprgelemdescParam[0];
      const VARTYPE type = param.tdesc.vt == VT_PTR ? param.tdesc.lptdesc->vt : param.tdesc.vt;
      ok = type == members[i].type;
      if (members[i].kind == INVOKE_PROPERTYGET) {
        ok = ok && (param.paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
      }
    }
    Check(ok, "member " + std::to_string(i) + " of _LongTimer: DISPID, kind and type");
    if (func) vtable_info->ReleaseFuncDesc(func);
  }
  // The coclass: default _LongTimer, default source __LongTimer.
  TYPEATTR* class_attr = nullptr;
  coclass->GetTypeAttr(&class_attr);
  Check(class_attr && class_attr->cImplTypes == 2, "LongTimer implements two interfaces");
  if (class_attr) coclass->ReleaseTypeAttr(class_attr);
  const struct {
    const GUID* iid;
    INT flags;
  } impls[] = {{&IID__LongTimer, IMPLTYPEFLAG_FDEFAULT},
               {&DIID___LongTimer, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  for (UINT i = 0; i < 2; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> implemented;
    TYPEATTR* attr = nullptr;
    coclass->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(coclass->GetRefTypeInfo(ref, implemented.Put()))) {
      implemented->GetTypeAttr(&attr);
    }
    Check(attr && attr->guid == *impls[i].iid && flags == impls[i].flags,
          "coclass interface " + std::to_string(i) + " and its flags");
    if (attr) implemented->ReleaseTypeAttr(attr);
  }

  // __LongTimer: OnTimer, DISPID 1, no parameters.
  ComPtr<ITypeInfo> events;
  library->GetTypeInfoOfGuid(DIID___LongTimer, events.Put());
  bool found_on_timer = false;
  TYPEATTR* events_attr = nullptr;
  if (events) events->GetTypeAttr(&events_attr);
  for (UINT i = 0; events_attr && i < events_attr->cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    events->GetFuncDesc(i, &func);
    BSTR func_name = nullptr;
    if (func) events->GetDocumentation(func->memid, &func_name, nullptr, nullptr, nullptr);
    if (func && func_name && std::wstring(func_name) == L"OnTimer") {
      found_on_timer =
          func->memid == 1 && func->cParams == 0 && func->elemdescFunc.tdesc.vt == VT_VOID;
    }
    ::SysFreeString(func_name);
    if (func) events->ReleaseFuncDesc(func);
  }
  if (events_attr) events->ReleaseTypeAttr(events_attr);
  Check(found_on_timer, "__LongTimer.OnTimer has DISPID 1, no parameters, no result");
}

void CheckProperties() {
  ComPtr<IDispatch> object = NewControl();
  Check(GetInterval(object.Get()) == 0.0f && GetEnabled(object.Get()) == 0,
        "a new control reads Interval 0, Enabled False");

  struct RoundTrip {
    float put;
    float expected;
  };
  for (const RoundTrip& row :
       {RoundTrip{1.23456f, 1.235f}, RoundTrip{0.0004f, 0.0f}, RoundTrip{0.5f, 0.5f},
        RoundTrip{90.0f, 90.0f}, RoundTrip{-1.25f, -1.25f}}) {
    const HRESULT hr = Put(object.Get(), kInterval, R4(row.put));
    const float read = GetInterval(object.Get());
    char what[96];
    std::snprintf(what, sizeof(what), "Interval put %g (VT_R4) reads back %g", row.put, read);
    Check(hr == S_OK && read == row.expected, what);
  }
  for (bool value : {true, false}) {
    const HRESULT hr = Put(object.Get(), kEnabled, Bool(value));
    Check(hr == S_OK && GetEnabled(object.Get()) == (value ? 1 : 0),
          std::string("Enabled put ") + (value ? "True" : "False") + " (VT_BOOL) reads back");
  }
  VARIANT seven;
  ::VariantInit(&seven);
  seven.vt = VT_I4;
  seven.lVal = 7;
  Check(Put(object.Get(), kInterval, seven) == S_OK && GetInterval(object.Get()) == 7.0f,
        "a VT_I4 Interval is coerced to 7");

  // Bad input answers with the dispatch errors, never a crash.
  Variant text;
  text.v.vt = VT_BSTR;
  text.v.bstrVal = ::SysAllocString(L"abc");
  struct BadPut {
    DISPID id;
    const char* what;
  };
  for (const BadPut& row : {BadPut{kInterval, "Interval"}, BadPut{kEnabled, "Enabled"}}) {
    const HRESULT hr = Put(object.Get(), row.id, text.v);
    Check(hr == DISP_E_TYPEMISMATCH,
          std::string(row.what) + " put \"abc\" gives DISP_E_TYPEMISMATCH, got " + Hex(hr));
  }
  Variant ignored;
  for (DISPID unknown : {DISPID{0}, DISPID{2}, DISPID{0x68030004}, DISPID{-12345}}) {
    const HRESULT get = Get(object.Get(), unknown, ignored);
    const HRESULT put = Put(object.Get(), unknown, R4(1.0f));
    Check(get == DISP_E_MEMBERNOTFOUND && put == DISP_E_MEMBERNOTFOUND,
          "unknown DISPID " + std::to_string(unknown) + " gives DISP_E_MEMBERNOTFOUND, got " +
              Hex(get) + "/" + Hex(put));
  }
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  Check(object->Invoke(kInterval, IID_IUnknown, 0, DISPATCH_PROPERTYGET, &none, &ignored.v, nullptr,
                       nullptr) == DISP_E_UNKNOWNINTERFACE,
        "Invoke with a non-null riid gives DISP_E_UNKNOWNINTERFACE");

  struct Name {
    const wchar_t* name;
    HRESULT hr;
    DISPID id;
  };
  for (const Name& row : {Name{L"Interval", S_OK, kInterval}, Name{L"enabled", S_OK, kEnabled},
                          Name{L"OnTimer", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
                          Name{L"Bogus", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}}) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(row.name)};
    DISPID id = 0;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    Check(hr == row.hr && (FAILED(hr) || id == row.id),
          "GetIDsOfNames " + Narrow(row.name) + " -> " + Hex(hr));
  }

  // The vtable half of the dual interface.
  ComPtr<_LongTimer> dual;
  float interval = 0.0f;
  VARIANT_BOOL enabled = VARIANT_TRUE;
  Check(SUCCEEDED(object->QueryInterface(IID__LongTimer, dual.PutVoid())) &&
            dual->put_Interval(2.5f) == S_OK && dual->get_Interval(&interval) == S_OK &&
            interval == 2.5f && dual->get_Enabled(&enabled) == S_OK && enabled == VARIANT_FALSE,
        "_LongTimer vtable calls");
}

void CheckInterfaces(IDispatch* object) {
  struct Row {
    const IID* iid;
    const char* name;
    bool answered;
  };
  const Row rows[] = {{&IID_IDispatch, "IDispatch", true},
                      {&IID__LongTimer, "_LongTimer", true},
                      {&IID_IConnectionPointContainer, "IConnectionPointContainer", true},
                      {&IID_IProvideClassInfo, "IProvideClassInfo", true},
                      {&IID_IProvideClassInfo2, "IProvideClassInfo2", true},
                      {&IID_IPersist, "IPersist", true},
                      {&IID_IPersistPropertyBag, "IPersistPropertyBag", true},
                      {&IID_IPersistStreamInit, "IPersistStreamInit", true},
                      {&IID_IOleObject, "IOleObject", true},
                      {&IID_IOleControl, "IOleControl", true},
                      {&IID_IViewObject, "IViewObject", true},
                      {&IID_IViewObject2, "IViewObject2", true},
                      {&kIidObjectSafety, "IObjectSafety", false},
                      {&IID_IOleInPlaceActiveObject, "IOleInPlaceActiveObject", false}};
  ComPtr<IUnknown> identity;
  object->QueryInterface(IID_IUnknown, identity.PutVoid());
  for (const Row& row : rows) {
    ComPtr<IUnknown> answer;
    const HRESULT hr = object->QueryInterface(*row.iid, answer.PutVoid());
    ComPtr<IUnknown> back;
    const bool same_identity = answer &&
                               SUCCEEDED(answer->QueryInterface(IID_IUnknown, back.PutVoid())) &&
                               back.Get() == identity.Get();
    Check(row.answered ? hr == S_OK && same_identity : hr == E_NOINTERFACE && !answer,
          std::string("QueryInterface ") + row.name + (row.answered ? " answered" : " refused"));
  }

  ComPtr<IOleObject> ole;
  object->QueryInterface(IID_IOleObject, ole.PutVoid());
  DWORD status = 0;
  CLSID clsid = GUID_NULL;
  SIZEL extent = {};
  Check(ole && ole->GetMiscStatus(DVASPECT_CONTENT, &status) == S_OK && status == 132497,
        "IOleObject::GetMiscStatus gives 132497");
  Check(ole && ole->SetClientSite(nullptr) == S_OK && ole->GetUserClassID(&clsid) == S_OK &&
            clsid == CLSID_LongTimer && ole->GetExtent(DVASPECT_CONTENT, &extent) == S_OK &&
            extent.cx == 847 && extent.cy == 847,
        "IOleObject client site, class and 32 x 32 pixel extent");
  ComPtr<IOleControl> control;
  CONTROLINFO info = {};
  info.cb = sizeof(info);
  Check(SUCCEEDED(object->QueryInterface(IID_IOleControl, control.PutVoid())) &&
            control->GetControlInfo(&info) == S_OK,
        "IOleControl::GetControlInfo");

  // The design-time picture: drawn into a white 32 x 32 bitmap, it must change pixels.
  ComPtr<IViewObject2> view;
  object->QueryInterface(IID_IViewObject2, view.PutVoid());
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 32, 32);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ previous = ::SelectObject(dc, bitmap);
  RECT all = {0, 0, 32, 32};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const RECTL bounds = {0, 0, 32, 32};
  const HRESULT drawn = view ? view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc,
                                          &bounds, nullptr, nullptr, 0)
                             : E_NOINTERFACE;
  int changed = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) changed += ::GetPixel(dc, x, y) != RGB(255, 255, 255);
  }
  Check(drawn == S_OK && changed > 100,
        "IViewObject2::Draw paints the 32 x 32 icon (" + std::to_string(changed) + " pixels)");
  Check(view &&
            view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr,
                       0) == DV_E_DVASPECT &&
            view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr,
                       nullptr, 0) == E_INVALIDARG,
        "Draw refuses other aspects and a missing DC");
  ::SelectObject(dc, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
}

struct Advised {
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
};

Advised Advise(IDispatch* object, EventSink& sink) {
  Advised advised;
  ComPtr<IConnectionPointContainer> container;
  if (SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
      SUCCEEDED(container->FindConnectionPoint(DIID___LongTimer, advised.point.Put()))) {
    advised.point->Advise(static_cast<IDispatch*>(&sink), &advised.cookie);
  }
  return advised;
}

void CheckEvents() {
  // The grid: with Interval 0.3 s, events 0.3 s apart on the real window timer.
  {
    ComPtr<IDispatch> object = NewControl();
    EventSink sink;
    Advised advised = Advise(object.Get(), sink);
    Check(advised.cookie != 0, "Advise on __LongTimer");
    Put(object.Get(), kInterval, R4(0.3f));
    const double enabled_at = Seconds();
    Put(object.Get(), kEnabled, Bool(true));
    Pump(3700);
    Put(object.Get(), kEnabled, Bool(false));
    const std::size_t count = sink.times.size();
    double mean = 0.0;
    double worst = 0.0;
    if (count >= 2) {
      mean = (sink.times.back() - sink.times.front()) / static_cast<double>(count - 1);
      for (std::size_t i = 0; i < count; ++i) {
        const double off = sink.times[i] - sink.times.front() - 0.3 * static_cast<double>(i);
        worst = std::max(worst, std::fabs(off));
      }
    }
    std::printf(
        "figures: %u events in 3.7 s, first %.3f s after enabling, mean spacing %.4f s, "
        "largest distance from the 0.3 s grid %.3f s\n",
        static_cast<unsigned>(count), count ? sink.times.front() - enabled_at : 0.0, mean, worst);
    Check(count >= 10 && count <= 13,
          "about 11 events in 3.7 s at Interval 0.3 (" + std::to_string(count) + ")");
    Check(std::fabs(mean - 0.3) < 0.02, "mean event spacing within 20 ms of 0.3 s");
    Check(worst < 0.2, "events keep to the 0.3 s grid (no drift)");
    const std::size_t after_disable = sink.times.size();
    Pump(500);
    Check(sink.times.size() == after_disable, "no events after Enabled False");
    Check(advised.point && advised.point->Unadvise(advised.cookie) == S_OK &&
              advised.point->Unadvise(advised.cookie) == CONNECT_E_NOCONNECTION,
          "Unadvise once, then CONNECT_E_NOCONNECTION");
    advised.point.Reset();
    object.Reset();
    Check(sink.refs() == 0, "the control let go of its sink");
  }

  // Handlers that change or end the control from inside OnTimer.
  struct Case {
    const char* what;
    std::function<void(IDispatch*&, Advised&)> handler;
  };
  const Case cases[] = {
      {"Enabled False inside OnTimer stops the events",
       [](IDispatch*& object, Advised&) { Put(object, kEnabled, Bool(false)); }},
      {"Interval 0 inside OnTimer stops the events",
       [](IDispatch*& object, Advised&) { Put(object, kInterval, R4(0.0f)); }},
      {"Unadvise inside OnTimer stops the events",
       [](IDispatch*&, Advised& advised) { advised.point->Unadvise(advised.cookie); }},
      {"releasing the last reference inside OnTimer ends the control cleanly",
       [](IDispatch*& object, Advised& advised) {
         advised.point->Unadvise(advised.cookie);
         advised.point.Reset();
         IDispatch* last = object;
         object = nullptr;
         last->Release();
       }},
  };
  for (const Case& row : cases) {
    IDispatch* object = NewControl().Detach();
    EventSink sink;
    Advised advised = Advise(object, sink);
    sink.on_event = [&] {
      if (sink.times.size() == 1) row.handler(object, advised);
    };
    Put(object, kInterval, R4(0.2f));
    Put(object, kEnabled, Bool(true));
    Pump(1500);
    Check(sink.times.size() == 1,
          std::string(row.what) + " (" + std::to_string(sink.times.size()) + " events)");
    if (object) {
      if (advised.point) advised.point->Unadvise(advised.cookie);
      advised.point.Reset();
      object->Release();
    }
  }
}

void CheckPropertyBag() {
  // Saving: names come back in the bag's lower case; Enabled only when True.
  {
    ComPtr<IDispatch> object = NewControl();
    Put(object.Get(), kInterval, R4(1.5f));
    Put(object.Get(), kEnabled, Bool(true));
    ComPtr<IPersistPropertyBag> persist;
    LowerCaseBag bag;
    const HRESULT saved =
        SUCCEEDED(object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid()))
            ? persist->Save(&bag, TRUE, TRUE)
            : E_NOINTERFACE;
    Check(saved == S_OK && bag.Text(L"interval") == L"1.5" && bag.Text(L"enabled") == L"True",
          "saved Interval \"1.5\" and Enabled \"True\" (got \"" + Narrow(bag.Text(L"interval")) +
              "\", \"" + Narrow(bag.Text(L"enabled")) + "\")");
    Put(object.Get(), kEnabled, Bool(false));
    LowerCaseBag disabled;
    persist->Save(&disabled, TRUE, TRUE);
    Check(disabled.Has(L"interval") && !disabled.Has(L"enabled"),
          "a disabled control saves only Interval");
  }

  // Loading: a table of saved texts (null = not in the bag).
  struct Row {
    const wchar_t* interval;
    const wchar_t* enabled;
    float expected_interval;
    int expected_enabled;
  };
  const Row rows[] = {
      {L"1.5", L"True", 1.5f, 1},  {L"90.5", nullptr, 90.5f, 0},     {L"abc", L"False", 0.0f, 0},
      {nullptr, L"true", 0.0f, 0}, {L"1.23456", L"TRUE", 1.235f, 0}, {L"12abc", L"True ", 12.0f, 0},
      {nullptr, nullptr, 0.0f, 0}, {L"  2.25", L"-1", 2.25f, 0},     {L"", L"", 0.0f, 0},
  };
  for (const Row& row : rows) {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid());
    LowerCaseBag bag;
    if (row.interval) bag.SetText(L"Interval", row.interval);
    if (row.enabled) bag.SetText(L"Enabled", row.enabled);
    const HRESULT hr = persist ? persist->Load(&bag, nullptr) : E_NOINTERFACE;
    const float interval = GetInterval(object.Get());
    const int enabled = GetEnabled(object.Get());
    char what[160];
    std::snprintf(what, sizeof(what), "load Interval %s, Enabled %s -> %g, %d",
                  row.interval ? Narrow(row.interval).c_str() : "(missing)",
                  row.enabled ? ("\"" + Narrow(row.enabled) + "\"").c_str() : "(missing)", interval,
                  enabled);
    Check(hr == S_OK && interval == row.expected_interval && enabled == row.expected_enabled, what);
    Put(object.Get(), kEnabled, Bool(false));
  }

  // Values that are not text: a number turns into text, an object counts as missing.
  {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid());
    LowerCaseBag bag;
    bag.Store(L"interval", R4(2.25f));
    VARIANT garbled;
    ::VariantInit(&garbled);
    garbled.vt = VT_UNKNOWN;
    garbled.punkVal = nullptr;
    bag.Store(L"enabled", garbled);
    Check(persist && persist->Load(&bag, nullptr) == S_OK && GetInterval(object.Get()) == 2.25f &&
              GetEnabled(object.Get()) == 0,
          "a VT_R4 Interval loads as 2.25, an object-valued Enabled as False");
  }
}

ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
  ComPtr<IStream> stream;
  ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  ULONG written = 0;
  if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

std::vector<BYTE> Record(WORD version, WORD payload_size, float interval, SHORT enabled,
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

std::vector<BYTE> CutShort(std::vector<BYTE> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

void CheckStream() {
  {
    ComPtr<IDispatch> saved = NewControl();
    Put(saved.Get(), kInterval, R4(42.125f));
    ComPtr<IPersistStreamInit> writer;
    ComPtr<IStream> stream = StreamOf({});
    ULARGE_INTEGER size = {};
    saved->QueryInterface(IID_IPersistStreamInit, writer.PutVoid());
    Check(writer && writer->IsDirty() == S_OK && writer->Save(stream.Get(), TRUE) == S_OK &&
              writer->IsDirty() == S_FALSE && writer->GetSizeMax(&size) == S_OK &&
              size.QuadPart == 16,
          "stream save of 16 bytes clears the dirty flag");
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ComPtr<IDispatch> loaded = NewControl();
    ComPtr<IPersistStreamInit> reader;
    loaded->QueryInterface(IID_IPersistStreamInit, reader.PutVoid());
    Check(reader && reader->Load(stream.Get()) == S_OK && GetInterval(loaded.Get()) == 42.125f &&
              GetEnabled(loaded.Get()) == 0,
          "stream form round-trips Interval 42.125, Enabled False");
  }

  struct Row {
    const char* what;
    std::vector<BYTE> bytes;
    bool loads;
    float interval;
    int enabled;
  };
  const float nan = std::nanf("");
  std::vector<BYTE> random(16);
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<BYTE>(i * 37 + 11);
  const Row rows[] = {
      {"a valid record", Record(1, 8, 3.5f, -1, 0), true, 3.5f, 1},
      {"a later version with a longer payload", Record(2, 12, 4.25f, 0, 4), true, 4.25f, 0},
      {"an empty stream", {}, false, 0.0f, 0},
      {"a record cut short", CutShort(Record(1, 8, 3.5f, -1, 0), 10), false, 0.0f, 0},
      {"garbage", random, false, 0.0f, 0},
      {"version 0", Record(0, 8, 3.5f, 0, 0), false, 0.0f, 0},
      {"a short payload size", Record(1, 4, 3.5f, 0, 0), false, 0.0f, 0},
      {"a NaN Interval", Record(1, 8, nan, 0, 0), false, 0.0f, 0},
      {"an Enabled of 1", Record(1, 8, 3.5f, 1, 0), false, 0.0f, 0},
  };
  for (const Row& row : rows) {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistStreamInit> reader;
    object->QueryInterface(IID_IPersistStreamInit, reader.PutVoid());
    ComPtr<IStream> stream = StreamOf(row.bytes);
    const HRESULT hr = reader ? reader->Load(stream.Get()) : E_NOINTERFACE;
    Check((row.loads ? hr == S_OK : FAILED(hr)) && GetInterval(object.Get()) == row.interval &&
              GetEnabled(object.Get()) == row.enabled,
          std::string("stream load of ") + row.what + (row.loads ? " succeeds" : " fails cleanly") +
              " (" + Hex(hr) + ")");
    Put(object.Get(), kEnabled, Bool(false));
  }
}

void CheckFactory(DllFunction can_unload) {
  ComPtr<IClassFactory> factory;
  Check(SUCCEEDED(::CoGetClassObject(CLSID_LongTimer, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_IClassFactory, factory.PutVoid())),
        "class factory of LongTimer");
  if (!factory) return;
  EventSink outer;
  ComPtr<IUnknown> aggregated;
  Check(factory->CreateInstance(static_cast<IDispatch*>(&outer), IID_IUnknown,
                                aggregated.PutVoid()) == CLASS_E_NOAGGREGATION &&
            !aggregated,
        "an outer unknown gives CLASS_E_NOAGGREGATION");
  factory->LockServer(TRUE);
  Check(can_unload() == S_FALSE, "DllCanUnloadNow is S_FALSE while the server is locked");
  factory->LockServer(FALSE);
  ComPtr<IDispatch> object;
  factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid());
  factory.Reset();
  Check(object && can_unload() == S_FALSE, "DllCanUnloadNow is S_FALSE while an object lives");
}

}  // namespace

int main() {
  const std::wstring path = ModuleFolder() + L"\\horolon.ocx";
  UniqueHmodule module(::LoadLibraryW(path.c_str()));
  Check(static_cast<bool>(module), "LoadLibrary horolon.ocx");
  if (!module) return horolon_test::Summary();
  auto export_of = [&](const char* name) {
    return reinterpret_cast<DllFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module.Get(), name)));
  };
  const DllFunction register_server = export_of("DllRegisterServer");
  const DllFunction unregister_server = export_of("DllUnregisterServer");
  const DllFunction can_unload = export_of("DllCanUnloadNow");
  Check(register_server && unregister_server && can_unload && export_of("DllGetClassObject"),
        "the four exports");
  if (!register_server || !unregister_server || !can_unload) return horolon_test::Summary();

  CheckResources(module.Get());
  ::CoInitialize(nullptr);
  Check(register_server() == S_OK && register_server() == S_OK, "DllRegisterServer, twice");

  CLSID from_prog_id = GUID_NULL;
  Check(::CLSIDFromProgID(L"Horolib.LongTimer", &from_prog_id) == S_OK &&
            from_prog_id == CLSID_LongTimer,
        "ProgID Horolib.LongTimer names the class");
  {
    ComPtr<IDispatch> by_prog_id;
    ::CoCreateInstance(from_prog_id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                       by_prog_id.PutVoid());
    ComPtr<IDispatch> by_clsid = NewControl();
    Check(by_prog_id && by_clsid && by_prog_id.Get() != by_clsid.Get(),
          "created by ProgID and by CLSID, two objects");
    if (by_clsid) {
      CheckInterfaces(by_clsid.Get());
      CheckTypeLibrary(by_clsid.Get());
    }
  }
  CheckProperties();
  CheckEvents();
  CheckPropertyBag();
  CheckStream();
  CheckFactory(can_unload);
  ::CoFreeUnusedLibraries();
  Check(can_unload() == S_OK, "DllCanUnloadNow is S_OK once every object and lock is released");

  Check(unregister_server() == S_OK, "DllUnregisterServer");
  Check(::CLSIDFromProgID(L"Horolib.LongTimer", &from_prog_id) != S_OK,
        "the ProgID is gone after unregistering");
  Check(unregister_server() == S_OK, "DllUnregisterServer again succeeds");
  ::CoUninitialize();
  return horolon_test::Summary();
}
