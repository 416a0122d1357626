// How a container embeds the LongTimer control: enough of IOleObject, IOleControl and
// IViewObject2 for a control that shows only at design time, as its toolbox picture.
#include <utility>

#include "design_icon.h"
#include "long_timer_control.h"
#include "long_timer_object.h"
#include "platform/win32/result.h"

namespace clickora::horolon {

using platform::win32::ComPtr;

HRESULT LongTimerObject::SetClientSite(IOleClientSite* site) {
  if (site != site_.Get()) InPlaceDeactivate();
  site_ = ComPtr<IOleClientSite>(site);
  return S_OK;
}

HRESULT LongTimerObject::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  return site_.CopyTo(site);
}

HRESULT LongTimerObject::SetHostNames(LPCOLESTR, LPCOLESTR) {
  return S_OK;
}

HRESULT LongTimerObject::Close(DWORD) {
  // Drops the references that tie the container and the control together.
  InPlaceDeactivate();
  site_.Reset();
  view_sink_.Reset();
  if (advise_holder_) advise_holder_->SendOnClose();
  advise_holder_.Reset();
  return S_OK;
}

HRESULT LongTimerObject::SetMoniker(DWORD, IMoniker*) {
  return E_NOTIMPL;
}

HRESULT LongTimerObject::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT LongTimerObject::InitFromData(IDataObject*, BOOL, DWORD) {
  return E_NOTIMPL;
}

HRESULT LongTimerObject::GetClipboardData(DWORD, IDataObject** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT LongTimerObject::ActivateInPlace(IOleClientSite* active_site) {
  if (in_place_site_) return S_OK;
  IOleClientSite* client = active_site ? active_site : site_.Get();
  RETURN_HR_IF(E_UNEXPECTED, !client);
  // Without a window of its own the control can be in place only where the site draws for it.
  ComPtr<IOleInPlaceSiteWindowless> site;
  RETURN_HR_IF(E_NOTIMPL,
               FAILED(client->QueryInterface(IID_IOleInPlaceSiteWindowless, site.PutVoid())));
  RETURN_HR_IF(E_NOTIMPL, site->CanWindowlessActivate() != S_OK);
  const HRESULT can = site->CanInPlaceActivate();
  RETURN_IF_FAILED(can);
  // The container says not now: a valid verb the object cannot carry out in this state.
  RETURN_HR_IF(OLEOBJ_S_CANNOT_DOVERB_NOW, can != S_OK);
  BOOL no_redraw = FALSE;
  RETURN_IF_FAILED(site->OnInPlaceActivateEx(&no_redraw, ACTIVATE_WINDOWLESS));
  in_place_site_ = site;
  return S_OK;
}

HRESULT LongTimerObject::DoVerb(LONG verb, LPMSG, IOleClientSite* active_site, LONG, HWND,
                                LPCRECT) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return ActivateInPlace(active_site);
    case OLEIVERB_HIDE:
      return InPlaceDeactivate();
    case OLEIVERB_UIACTIVATE:  // nothing to show, no focus to take
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE:
    case OLEIVERB_PROPERTIES:
      return E_NOTIMPL;
    default: {
      if (verb < 0) return E_NOTIMPL;
      // An unknown positive verb is carried out as the primary one.
      const HRESULT hr = ActivateInPlace(active_site);
      return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
    }
  }
}

HRESULT LongTimerObject::EnumVerbs(IEnumOLEVERB** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return OLEOBJ_E_NOVERBS;
}

HRESULT LongTimerObject::Update() {
  return S_OK;
}

HRESULT LongTimerObject::IsUpToDate() {
  return S_OK;
}

HRESULT LongTimerObject::GetUserClassID(CLSID* clsid) {
  return GetClassID(clsid);
}

HRESULT LongTimerObject::GetUserType(DWORD form, LPOLESTR* type) {
  return ::OleRegGetUserType(CLSID_LongTimer, form, type);
}

HRESULT LongTimerObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT LongTimerObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT LongTimerObject::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!advise_holder_) RETURN_IF_FAILED(::CreateOleAdviseHolder(advise_holder_.Put()));
  return advise_holder_->Advise(sink, connection);
}

HRESULT LongTimerObject::Unadvise(DWORD connection) {
  if (!advise_holder_) return OLE_E_NOCONNECTION;
  return advise_holder_->Unadvise(connection);
}

HRESULT LongTimerObject::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!advise_holder_) return E_FAIL;
  return advise_holder_->EnumAdvise(out);
}

HRESULT LongTimerObject::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

HRESULT LongTimerObject::SetColorScheme(LOGPALETTE*) {
  return E_NOTIMPL;
}

HRESULT LongTimerObject::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT LongTimerObject::OnMnemonic(MSG*) {
  return S_OK;
}

HRESULT LongTimerObject::OnAmbientPropertyChange(DISPID) {
  return S_OK;
}

HRESULT LongTimerObject::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++freeze_count_;
  } else if (freeze_count_ > 0) {
    --freeze_count_;
  }
  timer_->SetEventsHeld(freeze_count_ > 0);
  return S_OK;
}

HRESULT LongTimerObject::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  return E_FAIL;  // what a windowless object answers
}

HRESULT LongTimerObject::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

HRESULT LongTimerObject::InPlaceDeactivate() {
  if (!in_place_site_) return S_OK;
  // Taken first: the site's answer may call back into the control.
  const ComPtr<IOleInPlaceSiteWindowless> site = std::move(in_place_site_);
  in_place_site_.Reset();
  site->OnInPlaceDeactivateEx(TRUE);
  return S_OK;
}

HRESULT LongTimerObject::UIDeactivate() {
  return S_OK;  // never UI-active
}

HRESULT LongTimerObject::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  return S_OK;  // nothing is drawn in place at run time
}

HRESULT LongTimerObject::ReactivateAndUndo() {
  return INPLACE_E_NOTUNDOABLE;
}

HRESULT LongTimerObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                              LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                              ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  const RECT rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  DrawDesignIcon(dc, rect);
  return S_OK;
}

HRESULT LongTimerObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_FALSE;
}

HRESULT LongTimerObject::Freeze(DWORD, LONG, void*, DWORD*) {
  return E_NOTIMPL;
}

HRESULT LongTimerObject::Unfreeze(DWORD) {
  return E_NOTIMPL;
}

HRESULT LongTimerObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  view_sink_ = ComPtr<IAdviseSink>(sink);
  view_aspects_ = aspects;
  view_flags_ = flags;
  return S_OK;
}

HRESULT LongTimerObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = view_aspects_;
  if (flags) *flags = view_flags_;
  if (sink) return view_sink_.CopyTo(sink);
  return S_OK;
}

HRESULT LongTimerObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

}  // namespace clickora::horolon
