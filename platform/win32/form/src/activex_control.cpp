#include "activex_control.h"

#include <oleauto.h>
#include <olectl.h>

#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "activation_context.h"
#include "platform/win32/unique_handle.h"
#include "saved_property_bag.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

// The event interface of a control and the names of its events, from the control's own type
// information: IProvideClassInfo2 names the interface, the class's type description its members.
struct EventInterface {
  IID iid{};
  std::map<DISPID, std::string> names;
};

HRESULT DefaultSourceInfo(IUnknown& object, ComPtr<ITypeInfo>& source) {
  ComPtr<IUnknown> unknown(&object);
  ComPtr<IProvideClassInfo> provider;
  HRESULT hr = unknown.As(IID_IProvideClassInfo, provider);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> class_info;
  hr = provider->GetClassInfo(class_info.Put());
  if (FAILED(hr)) return hr;
  TYPEATTR* attributes = nullptr;
  hr = class_info->GetTypeAttr(&attributes);
  if (FAILED(hr)) return hr;
  const WORD implemented = attributes->cImplTypes;
  class_info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < implemented; ++i) {
    INT flags = 0;
    if (FAILED(class_info->GetImplTypeFlags(i, &flags))) continue;
    if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
        (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
      continue;
    }
    HREFTYPE reference = 0;
    hr = class_info->GetRefTypeOfImplType(i, &reference);
    if (FAILED(hr)) return hr;
    return class_info->GetRefTypeInfo(reference, source.Put());
  }
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT FindEventInterface(IUnknown& object, EventInterface& events) {
  ComPtr<IUnknown> unknown(&object);
  ComPtr<IProvideClassInfo2> provider;
  bool have_iid = SUCCEEDED(unknown.As(IID_IProvideClassInfo2, provider)) &&
                  SUCCEEDED(provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events.iid));

  ComPtr<ITypeInfo> source;
  HRESULT hr = DefaultSourceInfo(object, source);
  if (FAILED(hr)) return hr;
  TYPEATTR* attributes = nullptr;
  hr = source->GetTypeAttr(&attributes);
  if (FAILED(hr)) return hr;
  if (!have_iid) events.iid = attributes->guid;
  const WORD functions = attributes->cFuncs;
  source->ReleaseTypeAttr(attributes);

  for (UINT i = 0; i < functions; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(source->GetFuncDesc(i, &function))) continue;
    const MEMBERID id = function->memid;
    source->ReleaseFuncDesc(function);
    BSTR name = nullptr;
    UINT count = 0;
    if (FAILED(source->GetNames(id, &name, 1, &count)) || count == 0) continue;
    const UniqueBstr owned(name);
    events.names[id] = Narrow(std::wstring_view(owned.Get(), ::SysStringLen(owned.Get())));
  }
  return S_OK;
}

std::string Describe(const EmbeddedControlDesign& design) {
  return "the control " + design.name + " of class \"" + design.class_name + "\"";
}

bool IsNotRegistered(HRESULT hr) {
  return hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG || hr == REGDB_E_READREGDB ||
         hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) ||
         hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == CO_E_DLLNOTFOUND;
}

std::string CreationError(const EmbeddedControlDesign& design, HRESULT hr) {
  if (IsNotRegistered(hr)) {
    return "Cannot create " + Describe(design) +
           ": the class is not registered, or its library has moved (" + HresultText(hr) +
           "). Register the control library that provides it once, with regsvr32.";
  }
  return "Cannot create " + Describe(design) + ": " + HresultText(hr);
}

HRESULT CreateByProgId(const std::string& prog_id, ComPtr<IUnknown>& object) {
  CLSID clsid{};
  const HRESULT hr = ::CLSIDFromProgID(Widen(prog_id).c_str(), &clsid);
  if (FAILED(hr)) return hr;
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid());
}

}  // namespace

std::unique_ptr<ActiveXControl> ActiveXControl::Create(const EmbeddedControlDesign& design,
                                                       ControlEventSink::Handler on_event,
                                                       std::string& error) {
  std::unique_ptr<ActiveXControl> control(new (std::nothrow) ActiveXControl());
  if (!control) {
    error = "Out of memory creating " + Describe(design);
    return nullptr;
  }
  control->name_ = design.name;

  // A registered control is used as registered. One that is not (the portable folder) is made from
  // the program's manifest of the controls beside it, active until the control is set up.
  std::optional<ActivationScope> bundled;
  HRESULT hr = CreateByProgId(design.class_name, control->object_);
  if (IsNotRegistered(hr) && BundledControls().Valid()) {
    bundled.emplace(BundledControls());
    if (bundled->Active() && SUCCEEDED(CreateByProgId(design.class_name, control->object_)))
      hr = S_OK;
  }
  if (FAILED(hr)) {
    error = CreationError(design, hr);
    return nullptr;
  }

  ComPtr<IPersistPropertyBag> persist;
  hr = control->object_.As(IID_IPersistPropertyBag, persist);
  if (FAILED(hr)) {
    error = "Cannot load " + Describe(design) + ": it does not load from a property bag (" +
            HresultText(hr) + ")";
    return nullptr;
  }
  std::vector<std::pair<std::wstring, std::wstring>> saved;
  for (const auto& [name, value] : design.saved_properties)
    saved.emplace_back(Widen(name), Widen(value));
  ComPtr<IPropertyBag> bag;
  bag.Attach(new (std::nothrow) SavedPropertyBag(std::move(saved)));
  if (!bag) {
    error = "Out of memory loading " + Describe(design);
    return nullptr;
  }
  hr = persist->Load(bag.Get(), nullptr);
  if (FAILED(hr)) {
    error = "Cannot load the saved properties of " + Describe(design) + ": " + HresultText(hr);
    return nullptr;
  }

  hr = control->object_.As(IID_IDispatch, control->dispatch_);
  if (FAILED(hr)) {
    error = "Cannot reach the properties of " + Describe(design) + ": " + HresultText(hr);
    return nullptr;
  }

  EventInterface events;
  hr = FindEventInterface(*control->object_.Get(), events);
  if (FAILED(hr)) {
    error = "Cannot find the events of " + Describe(design) + ": " + HresultText(hr);
    return nullptr;
  }
  ComPtr<IConnectionPointContainer> container;
  hr = control->object_.As(IID_IConnectionPointContainer, container);
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(events.iid, control->connection_.Put());
  if (FAILED(hr)) {
    error = "Cannot connect to the events of " + Describe(design) + ": " + HresultText(hr);
    return nullptr;
  }
  control->sink_.Attach(new (std::nothrow) ControlEventSink(events.iid, std::move(events.names),
                                                            std::move(on_event)));
  if (!control->sink_) {
    error = "Out of memory connecting to " + Describe(design);
    return nullptr;
  }
  hr = control->connection_->Advise(control->sink_.Get(), &control->cookie_);
  if (FAILED(hr)) {
    control->connection_.Reset();
    error = "Cannot connect to the events of " + Describe(design) + ": " + HresultText(hr);
    return nullptr;
  }
  return control;
}

ActiveXControl::~ActiveXControl() {
  if (sink_) sink_->Disconnect();
  if (connection_ && cookie_) connection_->Unadvise(cookie_);
}

PutResult ActiveXControl::PutProperty(DispId id, const DispValue& value) {
  return PutDispatchProperty(*dispatch_.Get(), id, value, name_);
}

PutResult PutDispatchProperty(IDispatch& dispatch, DispId id, const DispValue& value,
                              std::string_view owner) {
  VARIANT argument;
  ::VariantInit(&argument);
  if (const float* number = std::get_if<float>(&value)) {
    argument.vt = VT_R4;
    argument.fltVal = *number;
  } else {
    argument.vt = VT_BOOL;
    argument.boolVal = std::get<bool>(value) ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // A property put passes its value as the one named argument DISPID_PROPERTYPUT.
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{&argument, &named, 1, 1};
  EXCEPINFO exception{};
  UINT bad_argument = 0;
  const HRESULT hr = dispatch.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                     &parameters, nullptr, &exception, &bad_argument);
  if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn)
    exception.pfnDeferredFillIn(&exception);
  const UniqueBstr source(exception.bstrSource), description(exception.bstrDescription),
      help(exception.bstrHelpFile);
  if (SUCCEEDED(hr)) return {};
  std::string error = "Setting a property of " + std::string(owner) + " failed: ";
  if (hr == DISP_E_EXCEPTION && description) {
    error += Narrow(std::wstring_view(description.Get(), ::SysStringLen(description.Get())));
  } else {
    error += HresultText(hr == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : hr);
  }
  return {false, error};
}

}  // namespace clickora::platform::win32
