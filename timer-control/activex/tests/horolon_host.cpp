// Test host for horolon.ocx, run under Wine: loads the control the way a container does and
// checks what the container relies on. Prints PASS/FAIL lines and "N passed, M failed".
#include <string>

#include "host_support.h"

using namespace horolon_test;

namespace {

std::string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return Narrow(text);
}

// Saved forms and registered hosts name the control by these four; the build reads them from
// one list, and this check keeps that list from changing.
void CheckGuidsArePinned() {
  Check(GuidText(LIBID_Horolib) == "{65D2C787-5C87-4D6F-882A-53FE52594318}" &&
            GuidText(CLSID_LongTimer) == "{BDF6F34E-4D4F-4A28-9550-9198454427CA}" &&
            GuidText(IID__LongTimer) == "{43DE366C-C6CF-4470-B860-724D8C904287}" &&
            GuidText(DIID___LongTimer) == "{4F0B06DF-E9D2-48AB-AFF4-F1A99C88D37B}",
        "the four GUIDs keep their published values");
}

}  // namespace

int main() {
  CheckGuidsArePinned();
  const std::wstring path = horolon_test::ModuleFolder() + L"\\horolon.ocx";
  UniqueHmodule module(::LoadLibraryW(path.c_str()));
  Check(static_cast<bool>(module), "LoadLibrary horolon.ocx");
  if (!module) return clickora::testing::Summary();
  auto export_of = [&](const char* name) {
    return reinterpret_cast<DllFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module.Get(), name)));
  };
  const DllFunction register_server = export_of("DllRegisterServer");
  const DllFunction unregister_server = export_of("DllUnregisterServer");
  const DllFunction can_unload = export_of("DllCanUnloadNow");
  const auto get_class_object = reinterpret_cast<DllGetClassObjectFunction>(
      reinterpret_cast<void*>(::GetProcAddress(module.Get(), "DllGetClassObject")));
  Check(register_server && unregister_server && can_unload && get_class_object, "the four exports");
  if (!register_server || !unregister_server || !can_unload || !get_class_object) {
    return clickora::testing::Summary();
  }

  CheckExports(module.Get());
  CheckResources(module.Get());
  ::CoInitialize(nullptr);
  Check(register_server() == S_OK && register_server() == S_OK, "DllRegisterServer, twice");

  CLSID from_prog_id = GUID_NULL;
  Check(::CLSIDFromProgID(clickora::horolon::identity::kProgIdWide.data(), &from_prog_id) == S_OK &&
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
  CheckConnectionPoints();
  CheckInPlace();
  CheckPropertyBag();
  CheckBagFailures();
  CheckStream();
  CheckWindowTimers();
  CheckFactory(can_unload, get_class_object);
  ::CoFreeUnusedLibraries();
  Check(can_unload() == S_OK, "DllCanUnloadNow is S_OK once every object and lock is released");

  Check(unregister_server() == S_OK, "DllUnregisterServer");
  Check(::CLSIDFromProgID(clickora::horolon::identity::kProgIdWide.data(), &from_prog_id) != S_OK,
        "the ProgID is gone after unregistering");
  Check(unregister_server() == S_OK, "DllUnregisterServer again succeeds");
  CheckRegistrationRollback(module.Get());
  ::CoUninitialize();
  return clickora::testing::Summary();
}
