// The host's own COM objects: the property bag, the event sink, property puts, and creation by a
// class name that is not registered.
#include <oaidl.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "activex_control.h"
#include "check.h"
#include "control_event_sink.h"
#include "platform/win32/com_ptr.h"
#include "saved_property_bag.h"
#include "timer_control/long_timer_identity.h"

using namespace clickora::platform;
using namespace clickora::platform::win32;

namespace {

using clickora::horolon::identity::kEnabledDispId;
using clickora::horolon::identity::kIntervalDispId;

// The LongTimer's event interface, from the build's one list of the control's GUIDs.
IID EventsIid() {
  IID iid = GUID_NULL;
  ::IIDFromString(L"{" HOROLON_DIID_TEXT L"}", &iid);
  return iid;
}
const IID kEvents = EventsIid();

ComPtr<IPropertyBag> MakeBag() {
  ComPtr<IPropertyBag> bag;
  bag.Attach(new (std::nothrow) SavedPropertyBag({{L"interval", L"90.5"}, {L"Caption", L"x"}}));
  return bag;
}

// Records the one Invoke it receives.
class RecordingDispatch final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                   VARIANT*, EXCEPINFO* exception, UINT*) override {
    id = member;
    flags = kind;
    arguments = params->cArgs;
    named = params->cNamedArgs == 1 ? params->rgdispidNamedArgs[0] : 0;
    if (params->cArgs == 1) value = params->rgvarg[0];
    if (fail_with_description) {
      exception->bstrDescription = ::SysAllocString(L"Invalid property value");
      exception->scode = E_INVALIDARG;
      return DISP_E_EXCEPTION;
    }
    return result;
  }

  DISPID id = 0;
  WORD flags = 0;
  UINT arguments = 0;
  DISPID named = 0;
  VARIANT value{};
  HRESULT result = S_OK;
  bool fail_with_description = false;
};

}  // namespace

TEST_CASE("the property bag finds names in any letter case and gives text") {
  ComPtr<IPropertyBag> bag = MakeBag();
  for (const wchar_t* name : {L"Interval", L"interval", L"INTERVAL"}) {
    VARIANT value;
    ::VariantInit(&value);
    CHECK(SUCCEEDED(bag->Read(name, &value, nullptr)));
    CHECK(value.vt == VT_BSTR && std::wstring(value.bstrVal) == L"90.5");
    ::VariantClear(&value);
  }
}

TEST_CASE("the property bag converts to the type asked for and reports a missing name") {
  ComPtr<IPropertyBag> bag = MakeBag();
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_R4;
  CHECK(SUCCEEDED(bag->Read(L"Interval", &value, nullptr)));
  CHECK(value.vt == VT_R4 && value.fltVal == 90.5f);

  ::VariantInit(&value);
  CHECK(bag->Read(L"Enabled", &value, nullptr) == E_INVALIDARG);
  CHECK(bag->Read(nullptr, &value, nullptr) == E_POINTER);

  VARIANT written;
  ::VariantInit(&written);
  written.vt = VT_BOOL;
  written.boolVal = VARIANT_TRUE;
  CHECK(SUCCEEDED(bag->Write(L"Enabled", &written)));
  CHECK(SUCCEEDED(bag->Read(L"enabled", &value, nullptr)));
  CHECK(value.vt == VT_BSTR && std::wstring(value.bstrVal) == L"True");
  ::VariantClear(&value);
}

TEST_CASE("the event sink hands events on by name and keeps exceptions inside") {
  std::vector<std::string> events;
  bool throw_next = false;
  ComPtr<ControlEventSink> sink;
  sink.Attach(new (std::nothrow)
                  ControlEventSink(kEvents, {{1, "OnTimer"}}, [&](std::string_view event) {
                    if (throw_next) throw std::runtime_error("handler failed");
                    events.emplace_back(event);
                  }));

  ComPtr<IDispatch> as_events;
  CHECK(SUCCEEDED(sink.As(kEvents, as_events)));
  ComPtr<IConnectionPoint> wrong;
  CHECK(sink.As(IID_IConnectionPoint, wrong) == E_NOINTERFACE);

  DISPPARAMS none{};
  CHECK(SUCCEEDED(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));
  CHECK(SUCCEEDED(sink->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));
  CHECK(events == std::vector<std::string>{"OnTimer"});

  throw_next = true;
  CHECK(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) ==
        DISP_E_EXCEPTION);

  throw_next = false;
  sink->Disconnect();
  CHECK(SUCCEEDED(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));
  CHECK_EQ(events.size(), 1u);
}

TEST_CASE("property puts pass one named DISPID_PROPERTYPUT argument of the right type") {
  RecordingDispatch dispatch;
  CHECK(PutDispatchProperty(dispatch, kIntervalDispId, DispValue(90.0f), "LongTimer1").ok);
  CHECK(dispatch.id == kIntervalDispId && dispatch.flags == DISPATCH_PROPERTYPUT);
  CHECK(dispatch.arguments == 1 && dispatch.named == DISPID_PROPERTYPUT);
  CHECK(dispatch.value.vt == VT_R4 && dispatch.value.fltVal == 90.0f);

  CHECK(PutDispatchProperty(dispatch, kEnabledDispId, DispValue(true), "LongTimer1").ok);
  CHECK(dispatch.value.vt == VT_BOOL && dispatch.value.boolVal == -1);
  CHECK(PutDispatchProperty(dispatch, kEnabledDispId, DispValue(false), "LongTimer1").ok);
  CHECK(dispatch.value.boolVal == 0);

  dispatch.result = DISP_E_MEMBERNOTFOUND;
  const PutResult missing = PutDispatchProperty(dispatch, 5, DispValue(true), "LongTimer2");
  CHECK(!missing.ok && missing.error.find("LongTimer2") != std::string::npos);

  dispatch.fail_with_description = true;
  const PutResult refused = PutDispatchProperty(dispatch, 5, DispValue(1.0f), "LongTimer2");
  CHECK(!refused.ok && refused.error.find("Invalid property value") != std::string::npos);
}

TEST_CASE("a class that is not registered is named in the error with the way to register it") {
  EmbeddedControlDesign design{"LongTimer9", "Clickora.NoSuchClass", {}};
  std::string error;
  const auto control = ActiveXControl::Create(
      design, [](std::string_view) {}, error);
  CHECK(!control);
  CHECK(error.find("LongTimer9") != std::string::npos);
  CHECK(error.find("\"Clickora.NoSuchClass\"") != std::string::npos);
  CHECK(error.find("regsvr32") != std::string::npos);
}
