// How containers activate the control: the in-place verbs on sites of each kind, and the control
// hosted in the system's ActiveX host window (AtlAxWin), where it must still load and fire.
#include "host_support.h"

namespace horolon_test {
namespace {

// A client site that records the in-place calls; windowless says whether it offers
// IOleInPlaceSiteWindowless or only IOleInPlaceSite, can_activate what CanInPlaceActivate says.
class RecordingSite final : public IOleClientSite, public IOleInPlaceSiteWindowless {
 public:
  RecordingSite(bool windowless, HRESULT can_activate)
      : windowless_(windowless), can_activate_(can_activate) {}
  int activations = 0;  // OnInPlaceActivate(Ex) calls
  int deactivations = 0;
  DWORD activate_flags = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite ||
               (windowless_ &&
                (iid == IID_IOleInPlaceSiteEx || iid == IID_IOleInPlaceSiteWindowless))) {
      *out = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  ULONG refs() const { return refs_; }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleInPlaceSiteWindowless and its bases
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = ::GetDesktopWindow();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return can_activate_; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
    ++activations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame**, IOleInPlaceUIWindow**, LPRECT,
                                             LPRECT, LPOLEINPLACEFRAMEINFO) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    ++deactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* no_redraw, DWORD flags) override {
    if (no_redraw) *no_redraw = FALSE;
    activate_flags = flags;
    ++activations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL) override {
    ++deactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCapture() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetCapture(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFocus() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetFocus(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDC(LPCRECT, DWORD, HDC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override {
    return S_FALSE;
  }

 private:
  bool windowless_;
  HRESULT can_activate_;
  ULONG refs_ = 0;
};

void CheckVerbs() {
  struct Row {
    const char* what;
    bool windowless;
    HRESULT can_activate;
    LONG verb;
    HRESULT expected;
    int activations;
  };
  const Row rows[] = {
      {"INPLACEACTIVATE on a windowless site", true, S_OK, OLEIVERB_INPLACEACTIVATE, S_OK, 1},
      {"SHOW on a windowless site", true, S_OK, OLEIVERB_SHOW, S_OK, 1},
      {"PRIMARY on a windowless site", true, S_OK, OLEIVERB_PRIMARY, S_OK, 1},
      {"an unknown positive verb, as PRIMARY", true, S_OK, 7, OLEOBJ_S_INVALIDVERB, 1},
      {"INPLACEACTIVATE refused by the site", true, S_FALSE, OLEIVERB_INPLACEACTIVATE,
       OLEOBJ_S_CANNOT_DOVERB_NOW, 0},
      {"INPLACEACTIVATE on a site with windows only", false, S_OK, OLEIVERB_INPLACEACTIVATE,
       E_NOTIMPL, 0},
      {"UIACTIVATE (no user interface)", true, S_OK, OLEIVERB_UIACTIVATE, E_NOTIMPL, 0},
      {"OPEN", true, S_OK, OLEIVERB_OPEN, E_NOTIMPL, 0},
      {"PROPERTIES", true, S_OK, OLEIVERB_PROPERTIES, E_NOTIMPL, 0},
      {"an unknown negative verb", true, S_OK, -42, E_NOTIMPL, 0},
      {"HIDE when not active", true, S_OK, OLEIVERB_HIDE, S_OK, 0},
  };
  for (const Row& row : rows) {
    RecordingSite site(row.windowless, row.can_activate);
    {
      ComPtr<IDispatch> object = NewControl();
      ComPtr<IOleObject> ole;
      object->QueryInterface(IID_IOleObject, ole.PutVoid());
      ole->SetClientSite(static_cast<IOleClientSite*>(&site));
      RECT rect = {0, 0, 32, 32};
      const HRESULT hr =
          ole->DoVerb(row.verb, nullptr, static_cast<IOleClientSite*>(&site), 0, nullptr, &rect);
      const bool flags_ok = row.activations == 0 || site.activate_flags == ACTIVATE_WINDOWLESS;
      Check(hr == row.expected && site.activations == row.activations && flags_ok,
            std::string("DoVerb ") + row.what + " gives " + Hex(row.expected) + ", got " + Hex(hr) +
                " with " + std::to_string(site.activations) + " activations");
      ole->Close(OLECLOSE_NOSAVE);
      Check(site.deactivations == row.activations && site.refs() == 0,
            std::string("after ") + row.what + ", Close deactivates and lets go of the site");
    }
  }

  // Active in place: a windowless object's answers, then HIDE deactivates it.
  RecordingSite site(true, S_OK);
  ComPtr<IDispatch> object = NewControl();
  ComPtr<IOleObject> ole;
  ComPtr<IOleInPlaceObject> in_place;
  object->QueryInterface(IID_IOleObject, ole.PutVoid());
  object->QueryInterface(IID_IOleInPlaceObject, in_place.PutVoid());
  ole->SetClientSite(static_cast<IOleClientSite*>(&site));
  ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(&site), 0, nullptr,
              nullptr);
  HWND window = reinterpret_cast<HWND>(1);
  const RECT rect = {0, 0, 32, 32};
  Check(in_place && in_place->GetWindow(&window) == E_FAIL && window == nullptr &&
            in_place->SetObjectRects(&rect, &rect) == S_OK && in_place->UIDeactivate() == S_OK,
        "in place, the control answers as a windowless one (GetWindow E_FAIL)");
  Check(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr) == S_OK &&
            site.activations == 1,
        "activating again while active changes nothing");
  Check(ole->DoVerb(OLEIVERB_HIDE, nullptr, nullptr, 0, nullptr, nullptr) == S_OK &&
            site.deactivations == 1,
        "HIDE deactivates");
  ole->SetClientSite(nullptr);
  in_place.Reset();
  ole.Reset();
  object.Reset();
  Check(site.refs() == 0, "the control let go of the in-place site");
}

using AxWinInit = BOOL(WINAPI*)();
using AxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);

// The control in the system's ActiveX host window: created from its ProgID, activated by the
// host, and firing OnTimer to a sink advised through the host's control.
void CheckAtlHost() {
  UniqueHmodule atl(::LoadLibraryW(L"atl.dll"));
  const auto init = atl ? reinterpret_cast<AxWinInit>(
                              reinterpret_cast<void*>(::GetProcAddress(atl.Get(), "AtlAxWinInit")))
                        : nullptr;
  const auto get_control = atl ? reinterpret_cast<AxGetControl>(reinterpret_cast<void*>(
                                     ::GetProcAddress(atl.Get(), "AtlAxGetControl")))
                               : nullptr;
  Check(init && get_control && init(), "atl.dll host window class AtlAxWin");
  if (!init || !get_control) return;
  HWND host =
      ::CreateWindowExW(0, L"AtlAxWin", clickora::horolon::identity::kProgIdWide.data(),
                        WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  Check(host != nullptr, "AtlAxWin window made for Horolib.LongTimer");
  if (!host) return;
  ::ShowWindow(host, SW_SHOW);
  ComPtr<IUnknown> control;
  ComPtr<IDispatch> dispatch;
  if (SUCCEEDED(get_control(host, control.Put())) && control) {
    control->QueryInterface(IID_IDispatch, dispatch.PutVoid());
  }
  CLSID clsid = GUID_NULL;
  ComPtr<IPersist> persist;
  if (control) control->QueryInterface(IID_IPersist, persist.PutVoid());
  Check(dispatch && persist && persist->GetClassID(&clsid) == S_OK && clsid == CLSID_LongTimer,
        "the host holds a LongTimer");
  if (dispatch) {
    // What the host's site does with each verb, as a container author sees it.
    ComPtr<IOleObject> ole;
    ComPtr<IOleClientSite> host_site;
    dispatch->QueryInterface(IID_IOleObject, ole.PutVoid());
    if (ole) ole->GetClientSite(host_site.Put());
    ComPtr<IOleInPlaceSiteWindowless> windowless;
    if (host_site) host_site->QueryInterface(IID_IOleInPlaceSiteWindowless, windowless.PutVoid());
    Check(static_cast<bool>(windowless), "the host's site offers windowless in-place activation");
    const HRESULT again =
        ole ? ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, host, nullptr)
            : E_NOINTERFACE;
    const HRESULT ui =
        ole ? ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, host, nullptr) : E_NOINTERFACE;
    std::printf("figures: in AtlAxWin, INPLACEACTIVATE %s, UIACTIVATE %s\n", Hex(again).c_str(),
                Hex(ui).c_str());
    Check(again == S_OK && ui == E_NOTIMPL,
          "in the host, INPLACEACTIVATE S_OK (windowless), UIACTIVATE E_NOTIMPL");

    EventSink sink;
    Advised advised = Advise(dispatch.Get(), sink);
    Put(dispatch.Get(), kInterval, R4(0.2f));
    Put(dispatch.Get(), kEnabled, Bool(true));
    Pump(1000);
    Put(dispatch.Get(), kEnabled, Bool(false));
    Check(sink.times.size() >= 3,
          "OnTimer fires in the host (" + std::to_string(sink.times.size()) + " in 1 s)");
    if (advised.point) advised.point->Unadvise(advised.cookie);
  }
  dispatch.Reset();
  control.Reset();
  persist.Reset();
  ::DestroyWindow(host);
  Pump(50);
}

}  // namespace

void CheckInPlace() {
  CheckVerbs();
  CheckAtlHost();
}

}  // namespace horolon_test
