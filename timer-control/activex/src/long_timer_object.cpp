// The LongTimer control as a COM object: one portable LongTimer with its own window timer and
// the system's millisecond clock, dressed in the interfaces a control container expects.
#include "long_timer_object.h"

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <new>

#include "com_guard.h"
#include "connection_point.h"
#include "design_icon.h"
#include "horolon_h.h"
#include "persistence.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/timing.h"
#include "server_runtime.h"
#include "timer_control/long_timer.h"

namespace clickora::horolon {
namespace {

using platform::win32::ComPtr;

// 32 x 32 pixels in HIMETRIC at 96 dots per inch.
constexpr LONG kExtentHimetric = 847;

// Window timers for the control's inner timer. Each tick holds a reference on the object, so a
// sink that releases the control from inside OnTimer cannot destroy the LongTimer while its tick
// is still running; the last release then happens after the tick, which the timer service allows.
class KeepAliveTimers final : public platform::TimerService {
 public:
  explicit KeepAliveTimers(IUnknown& owner) noexcept : owner_(owner) {}
  std::unique_ptr<platform::IntervalTimer> CreateTimer(std::function<void()> on_tick) override {
    return inner_.CreateTimer([owner = &owner_, tick = std::move(on_tick)] {
      const ComPtr<IUnknown> keep_alive(owner);
      tick();
    });
  }

 private:
  IUnknown& owner_;
  platform::win32::WindowTimerService inner_;
};

class LongTimerObject final : public _LongTimer,
                              public IConnectionPointContainer,
                              public IProvideClassInfo2,
                              public IPersistPropertyBag,
                              public IPersistStreamInit,
                              public IOleObject,
                              public IOleControl,
                              public IViewObject2 {
 public:
  LongTimerObject() noexcept
      : timers_(*static_cast<_LongTimer*>(this)), events_(*this, DIID___LongTimer) {
    server::AddLiveObject();
  }
  LongTimerObject(const LongTimerObject&) = delete;
  LongTimerObject& operator=(const LongTimerObject&) = delete;

  HRESULT Init() {
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

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch, through the type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return type_info_.CopyTo(out);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return type_info_->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* bad_argument) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // Arguments of other types are coerced as VariantChangeType does (a VT_I4 7 becomes 7.0,
    // the text "abc" is DISP_E_TYPEMISMATCH), the usual rule of late binding.
    return type_info_->Invoke(static_cast<_LongTimer*>(this), id, flags, params, result, exception,
                              bad_argument);
  }

  // _LongTimer
  HRESULT STDMETHODCALLTYPE get_Interval(float* value) override {
    if (!value) return E_POINTER;
    *value = timer_->Interval();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Interval(float value) override {
    return Guard([&] {
      timer_->SetInterval(value);
      dirty_ = true;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    return Guard([&] {
      *value = timer_->Enabled() ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override {
    return Guard([&] {
      timer_->SetEnabled(value != VARIANT_FALSE);
      dirty_ = true;
      return S_OK;
    });
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != DIID___LongTimer) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
  }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return library_->GetTypeInfoOfGuid(CLSID_LongTimer, out);
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = DIID___LongTimer;
    return S_OK;
  }

  // IPersist, IPersistPropertyBag, IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_LongTimer;
    return S_OK;
  }
  // A new control starts from the defaults it already has; nothing to do.
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override {
    if (!bag) return E_POINTER;
    return Guard([&]() -> HRESULT {
      ComPropertyBag properties(*bag, log);
      RETURN_HR_IF(E_FAIL, !timer_->ReadProperties(properties));
      dirty_ = false;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) override {
    if (!bag) return E_POINTER;
    return Guard([&]() -> HRESULT {
      ComPropertyBag properties(*bag, nullptr);
      RETURN_HR_IF(E_FAIL, !timer_->WriteProperties(properties));
      if (clear_dirty) dirty_ = false;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override {
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
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clear_dirty) override {
    if (!stream) return E_POINTER;
    return Guard([&]() -> HRESULT {
      RETURN_IF_FAILED(SaveStreamState(*stream, {timer_->Interval(), timer_->Enabled()}));
      if (clear_dirty) dirty_ = false;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    size->QuadPart = kStreamStateSize;
    return S_OK;
  }

  // IOleObject: enough for a container to embed a control that shows only at design time.
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    site_ = ComPtr<IOleClientSite>(site);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    return site_.CopyTo(site);
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    // Drops the references that tie the container and the control together.
    site_.Reset();
    view_sink_.Reset();
    if (advise_holder_) advise_holder_->SendOnClose();
    advise_holder_.Reset();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND,
                                   LPCRECT) override {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
      case OLEIVERB_HIDE:
        return S_OK;
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return OLEOBJ_E_NOVERBS;
  }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override {
    return ::OleRegGetUserType(CLSID_LongTimer, form, type);
  }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_ = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override {
    if (!advise_holder_) RETURN_IF_FAILED(::CreateOleAdviseHolder(advise_holder_.Put()));
    return advise_holder_->Advise(sink, connection);
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override {
    if (!advise_holder_) return OLE_E_NOCONNECTION;
    return advise_holder_->Unadvise(connection);
  }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!advise_holder_) return E_FAIL;
    return advise_holder_->EnumAdvise(out);
  }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override {
    if (!info) return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
  // While the container holds events frozen (it does so while it loads a form), OnTimer is not
  // raised; the tick itself still counts.
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override {
    if (freeze) {
      ++freeze_count_;
    } else if (freeze_count_ > 0) {
      --freeze_count_;
    }
    return S_OK;
  }

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                 LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                 ULONG_PTR) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    const RECT rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    DrawDesignIcon(dc, rect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                        LOGPALETTE** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override {
    view_sink_ = ComPtr<IAdviseSink>(sink);
    view_aspects_ = aspects;
    view_flags_ = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
    if (aspects) *aspects = view_aspects_;
    if (flags) *flags = view_flags_;
    if (sink) return view_sink_.CopyTo(sink);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    return GetExtent(aspect, size);
  }

 private:
  ~LongTimerObject() {
    // The LongTimer goes first: its timer must not tick into a half-destroyed object.
    timer_.reset();
    events_.UnadviseAll();
    server::RemoveLiveObject();
  }

  // The library from this module's own resources; registration is not needed to use it.
  static ComPtr<ITypeLib> LoadLibraryTypes() {
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = ::GetModuleFileNameW(server::ModuleHandle(), path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return nullptr;
    ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(path, REGKIND_NONE, library.Put()))) return nullptr;
    return library;
  }

  void OnTimer() {
    if (freeze_count_ > 0) return;
    events_.Raise(kDispidOnTimer);
  }

  LONG refs_ = 1;
  platform::win32::SystemMillisecondClock clock_;
  KeepAliveTimers timers_;
  ConnectionPoint events_;
  std::unique_ptr<LongTimer> timer_;
  ComPtr<ITypeLib> library_;
  ComPtr<ITypeInfo> type_info_;
  ComPtr<IOleClientSite> site_;
  ComPtr<IOleAdviseHolder> advise_holder_;
  ComPtr<IAdviseSink> view_sink_;
  DWORD view_aspects_ = 0;
  DWORD view_flags_ = 0;
  SIZEL extent_ = {kExtentHimetric, kExtentHimetric};
  LONG freeze_count_ = 0;
  bool dirty_ = false;
};

using InterfaceCast = IUnknown* (*)(LongTimerObject*);

struct InterfaceEntry {
  const IID* iid;
  InterfaceCast cast;
};

template <typename Interface>
IUnknown* As(LongTimerObject* object) {
  return static_cast<Interface*>(object);
}

// Every interface the object answers. IPersistStream shares its vtable layout with the start of
// IPersistStreamInit, so containers that ask for the older one get the same implementation.
const InterfaceEntry kInterfaces[] = {
    {&IID_IUnknown, &As<_LongTimer>},
    {&IID_IDispatch, &As<_LongTimer>},
    {&IID__LongTimer, &As<_LongTimer>},
    {&IID_IConnectionPointContainer, &As<IConnectionPointContainer>},
    {&IID_IProvideClassInfo, &As<IProvideClassInfo2>},
    {&IID_IProvideClassInfo2, &As<IProvideClassInfo2>},
    {&IID_IPersist, &As<IPersistStreamInit>},
    {&IID_IPersistPropertyBag, &As<IPersistPropertyBag>},
    {&IID_IPersistStreamInit, &As<IPersistStreamInit>},
    {&IID_IPersistStream, &As<IPersistStreamInit>},
    {&IID_IOleObject, &As<IOleObject>},
    {&IID_IOleControl, &As<IOleControl>},
    {&IID_IViewObject, &As<IViewObject2>},
    {&IID_IViewObject2, &As<IViewObject2>},
};

HRESULT LongTimerObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const InterfaceEntry& entry : kInterfaces) {
    if (*entry.iid != iid) continue;
    IUnknown* answer = entry.cast(this);
    answer->AddRef();
    *out = answer;
    return S_OK;
  }
  return E_NOINTERFACE;
}

}  // namespace

HRESULT CreateLongTimerObject(REFIID iid, void** out) {
  return Guard([&]() -> HRESULT {
    ComPtr<LongTimerObject> object;
    object.Attach(new (std::nothrow) LongTimerObject());
    RETURN_HR_IF(E_OUTOFMEMORY, !object);
    RETURN_IF_FAILED(object->Init());
    return object->QueryInterface(iid, out);
  });
}

}  // namespace clickora::horolon
