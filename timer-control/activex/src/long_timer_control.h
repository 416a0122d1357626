#pragma once

// The LongTimer control object: one portable LongTimer with its own window timer and the system's
// millisecond clock, dressed in the interfaces a control container expects. What the control is
// (dispatch, properties, persistence, events) is long_timer_object.cpp; how a container embeds
// it (IOleObject, IOleControl, IViewObject2) is long_timer_embedding.cpp.
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <memory>

#include "connection_point.h"
#include "horolon_h.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/timing.h"
#include "timer_control/long_timer.h"

namespace clickora::horolon {

// Window timers for the control's inner timer. Each tick holds a reference on the object, so a
// sink that releases the control from inside OnTimer cannot destroy the LongTimer while its tick
// is still running; the last release then happens after the tick, which the timer service allows.
class KeepAliveTimers final : public platform::TimerService {
 public:
  explicit KeepAliveTimers(IUnknown& owner) noexcept : owner_(owner) {}
  std::unique_ptr<platform::IntervalTimer> CreateTimer(std::function<void()> on_tick) override;

 private:
  IUnknown& owner_;
  platform::win32::WindowTimerService inner_;
};

class LongTimerObject final
    : public platform::win32::ComObject<LongTimerObject, _LongTimer, IConnectionPointContainer,
                                        IProvideClassInfo2, IPersistPropertyBag, IPersistStreamInit,
                                        IOleObject, IOleControl, IViewObject2, IOleInPlaceObject> {
 public:
  static std::span<const platform::win32::ComInterfaceEntry<LongTimerObject>>
  InterfaceTable() noexcept;

  LongTimerObject() noexcept;
  // Loads the type information and makes the inner LongTimer; the object is usable after it.
  HRESULT Init();

  // IDispatch, through the type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* bad_argument) override;

  // _LongTimer
  HRESULT STDMETHODCALLTYPE get_Interval(float* value) override;
  HRESULT STDMETHODCALLTYPE put_Interval(float value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // IPersist, IPersistPropertyBag, IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  // A new control starts from the defaults it already has; nothing to do.
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clear_dirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

  // IOleObject: enough for a container to embed a control that shows only at design time.
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override;
  // While the container holds events frozen (it does so while it loads a form), OnTimer is not
  // raised and nothing is taken off the count; what fell due is paid after unfreezing, one
  // event per tick.
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IOleWindow, IOleInPlaceObject: in-place activation as a windowless control, on a site that
  // draws for it (IOleInPlaceSiteWindowless); the control has no window and never takes the
  // user interface (it is invisible at run time).
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                 LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                 ULONG_PTR) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                        LOGPALETTE** out) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

 private:
  ~LongTimerObject() override;

  void OnTimer();
  // The in-place verbs: activates on the given site (or the client site) when it can host a
  // windowless control.
  HRESULT ActivateInPlace(IOleClientSite* active_site);

  platform::win32::SystemMillisecondClock clock_;
  KeepAliveTimers timers_;
  ConnectionPoint events_;
  std::unique_ptr<LongTimer> timer_;
  platform::win32::ComPtr<ITypeLib> library_;
  platform::win32::ComPtr<ITypeInfo> type_info_;
  platform::win32::ComPtr<IOleClientSite> site_;
  platform::win32::ComPtr<IOleInPlaceSiteWindowless> in_place_site_;  // set while in place
  platform::win32::ComPtr<IOleAdviseHolder> advise_holder_;
  platform::win32::ComPtr<IAdviseSink> view_sink_;
  DWORD view_aspects_ = 0;
  DWORD view_flags_ = 0;
  SIZEL extent_;
  LONG freeze_count_ = 0;
  bool dirty_ = false;
};

}  // namespace clickora::horolon
