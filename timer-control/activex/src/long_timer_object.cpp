// What the LongTimer control is: its dispatch interface and properties, its persistence in
// property bags and streams, and its one event.
#include <memory>
#include <new>

#include "long_timer_control.h"
#include "long_timer_object.h"
#include "persistence.h"
#include "platform/win32/module_path.h"
#include "platform/win32/result.h"
#include "server_runtime.h"

namespace clickora::horolon {
namespace {

using platform::win32::ComEntry;
using platform::win32::ComPtr;
using platform::win32::Guard;

// 32 x 32 pixels in HIMETRIC at 96 dots per inch.
constexpr LONG kExtentHimetric = 847;

// The library from this module's own resources; registration is not needed to use it.
ComPtr<ITypeLib> LoadLibraryTypes() {
  std::wstring path;
  if (FAILED(platform::win32::ModulePath(server::ModuleHandle(), path))) return nullptr;
  ComPtr<ITypeLib> library;
  if (FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()))) return nullptr;
  return library;
}

}  // namespace

std::unique_ptr<platform::IntervalTimer> KeepAliveTimers::CreateTimer(
    std::function<void()> on_tick) {
  return inner_.CreateTimer([owner = &owner_, tick = std::move(on_tick)] {
    const ComPtr<IUnknown> keep_alive(owner);
    tick();
  });
}

// Every interface the object answers. IPersistStream shares its vtable layout with the start of
// IPersistStreamInit, so containers that ask for the older one get the same implementation.
std::span<const platform::win32::ComInterfaceEntry<LongTimerObject>>
LongTimerObject::InterfaceTable() noexcept {
  static constexpr platform::win32::ComInterfaceEntry<LongTimerObject> kTable[] = {
      ComEntry<LongTimerObject, _LongTimer>(IID_IUnknown),
      ComEntry<LongTimerObject, _LongTimer>(IID_IDispatch),
      ComEntry<LongTimerObject, _LongTimer>(IID__LongTimer),
      ComEntry<LongTimerObject, IConnectionPointContainer>(IID_IConnectionPointContainer),
      ComEntry<LongTimerObject, IProvideClassInfo2>(IID_IProvideClassInfo),
      ComEntry<LongTimerObject, IProvideClassInfo2>(IID_IProvideClassInfo2),
      ComEntry<LongTimerObject, IPersistStreamInit>(IID_IPersist),
      ComEntry<LongTimerObject, IPersistPropertyBag>(IID_IPersistPropertyBag),
      ComEntry<LongTimerObject, IPersistStreamInit>(IID_IPersistStreamInit),
      ComEntry<LongTimerObject, IPersistStreamInit>(IID_IPersistStream),
      ComEntry<LongTimerObject, IOleObject>(IID_IOleObject),
      ComEntry<LongTimerObject, IOleControl>(IID_IOleControl),
      ComEntry<LongTimerObject, IViewObject2>(IID_IViewObject),
      ComEntry<LongTimerObject, IViewObject2>(IID_IViewObject2),
      ComEntry<LongTimerObject, IOleInPlaceObject>(IID_IOleWindow),
      ComEntry<LongTimerObject, IOleInPlaceObject>(IID_IOleInPlaceObject),
  };
  return kTable;
}

LongTimerObject::LongTimerObject() noexcept
    : timers_(*static_cast<_LongTimer*>(this)),
      events_(*this, DIID___LongTimer),
      extent_{kExtentHimetric, kExtentHimetric} {
  server::AddLiveObject();
}

LongTimerObject::~LongTimerObject() {
  // The LongTimer goes first: its timer must not tick into a half-destroyed object.
  timer_.reset();
  events_.UnadviseAll();
  server::RemoveLiveObject();
}

HRESULT LongTimerObject::Init() {
  const ComPtr<ITypeLib> library = LoadLibraryTypes();
  RETURN_HR_IF(TYPE_E_CANTLOADLIBRARY, !library);
  library_ = library;
  // Invoke goes through the vtable part of the dual interface.
  ComPtr<ITypeInfo> dispatch_info;
  RETURN_IF_FAILED(library_->GetTypeInfoOfGuid(IID__LongTimer, dispatch_info.Put()));
  HREFTYPE vtable_part = 0;
  RETURN_IF_FAILED(dispatch_info->GetRefTypeOfImplType(-1, &vtable_part));
  RETURN_IF_FAILED(dispatch_info->GetRefTypeInfo(vtable_part, type_info_.Put()));
  timer_ = std::make_unique<LongTimer>(clock_, timers_, [this] { OnTimer(); });
  return S_OK;
}

HRESULT LongTimerObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT LongTimerObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return type_info_.CopyTo(out);
}

HRESULT LongTimerObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return type_info_->GetIDsOfNames(names, count, ids);
}

HRESULT LongTimerObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* bad_argument) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // Arguments of other types are coerced as VariantChangeType does (a VT_I4 7 becomes 7.0,
  // the text "abc" is DISP_E_TYPEMISMATCH), the usual rule of late binding.
  return type_info_->Invoke(static_cast<_LongTimer*>(this), id, flags, params, result, exception,
                            bad_argument);
}

HRESULT LongTimerObject::get_Interval(float* value) {
  if (!value) return E_POINTER;
  *value = timer_->Interval();
  return S_OK;
}

HRESULT LongTimerObject::put_Interval(float value) {
  return Guard([&] {
    timer_->SetInterval(value);
    dirty_ = true;
    return S_OK;
  });
}

HRESULT LongTimerObject::get_Enabled(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  return Guard([&] {
    *value = timer_->Enabled() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
}

HRESULT LongTimerObject::put_Enabled(VARIANT_BOOL value) {
  return Guard([&] {
    timer_->SetEnabled(value != VARIANT_FALSE);
    dirty_ = true;
    return S_OK;
  });
}

HRESULT LongTimerObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return ConnectionPointEnumerator::Create(events_, 0, out);
}

HRESULT LongTimerObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != DIID___LongTimer) return CONNECT_E_NOCONNECTION;
  *out = &events_;
  events_.AddRef();
  return S_OK;
}

HRESULT LongTimerObject::GetClassInfo(ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return library_->GetTypeInfoOfGuid(CLSID_LongTimer, out);
}

HRESULT LongTimerObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = DIID___LongTimer;
  return S_OK;
}

HRESULT LongTimerObject::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_LongTimer;
  return S_OK;
}

HRESULT LongTimerObject::InitNew() {
  return S_OK;
}

HRESULT LongTimerObject::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  return Guard([&]() -> HRESULT {
    ComPropertyBag properties(*bag, log);
    // The bag's own answer goes back to the container unchanged.
    if (!timer_->ReadProperties(properties)) return properties.Failure();
    dirty_ = false;
    return S_OK;
  });
}

HRESULT LongTimerObject::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) {
  if (!bag) return E_POINTER;
  return Guard([&]() -> HRESULT {
    ComPropertyBag properties(*bag, nullptr);
    if (!timer_->WriteProperties(properties)) return properties.Failure();
    if (clear_dirty) dirty_ = false;
    return S_OK;
  });
}

HRESULT LongTimerObject::IsDirty() {
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT LongTimerObject::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  return Guard([&]() -> HRESULT {
    StreamState state;
    RETURN_IF_FAILED(LoadStreamState(*stream, state));
    timer_->SetInterval(state.interval);
    timer_->SetEnabled(state.enabled);
    dirty_ = false;
    return S_OK;
  });
}

HRESULT LongTimerObject::Save(IStream* stream, BOOL clear_dirty) {
  if (!stream) return E_POINTER;
  return Guard([&]() -> HRESULT {
    RETURN_IF_FAILED(SaveStreamState(*stream, {timer_->Interval(), timer_->Enabled()}));
    if (clear_dirty) dirty_ = false;
    return S_OK;
  });
}

HRESULT LongTimerObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = kStreamStateSize;
  return S_OK;
}

void LongTimerObject::OnTimer() {
  events_.Raise(kDispidOnTimer);
}

HRESULT CreateLongTimerObject(REFIID iid, void** out) {
  return Guard([&]() -> HRESULT {
    ComPtr<LongTimerObject> object;
    object.Attach(new (std::nothrow) LongTimerObject());
    RETURN_IF_NULL_ALLOC(object.Get());
    RETURN_IF_FAILED(object->Init());
    return object->QueryInterface(iid, out);
  });
}

}  // namespace clickora::horolon
