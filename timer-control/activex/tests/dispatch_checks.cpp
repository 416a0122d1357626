// Late binding of the two properties, and the interfaces the object answers.
#include "host_support.h"

namespace horolon_test {

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
  // Nothing is validated: a negative Interval is kept and suspends counting; NaN has no thousandths
  // to round to and reads back 0, which suspends counting too.
  {
    ComPtr<IDispatch> idle = NewControl();
    EventSink sink;
    Advised advised = Advise(idle.Get(), sink);
    const HRESULT negative = Put(idle.Get(), kInterval, R4(-2.5f));
    const float read_negative = GetInterval(idle.Get());
    Put(idle.Get(), kEnabled, Bool(true));
    Pump(400);
    const std::size_t after_negative = sink.times.size();
    const HRESULT nan = Put(idle.Get(), kInterval, R4(std::nanf("")));
    const float read_nan = GetInterval(idle.Get());
    Pump(400);
    Put(idle.Get(), kEnabled, Bool(false));
    Check(negative == S_OK && read_negative == -2.5f && after_negative == 0,
          "Interval -2.5 is kept and raises nothing");
    Check(nan == S_OK && read_nan == 0.0f && !std::signbit(read_nan) && sink.times.size() == 0,
          "a NaN Interval reads back 0 and raises nothing");
    if (advised.point) advised.point->Unadvise(advised.cookie);
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

}  // namespace horolon_test
