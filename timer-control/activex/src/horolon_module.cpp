// The four exports and the DLL entry of horolon.ocx. Each hands the library's constant record
// to the server runtime and returns the runtime's answer unchanged.
#include <windows.h>

#include "horolon_h.h"
#include "long_timer_object.h"
#include "server_runtime.h"
#include "timer_control/long_timer_identity.h"

namespace {

using clickora::horolon::server::ClassRecord;
using clickora::horolon::server::RegistrationRecord;

constexpr int kToolboxBitmap = 30000;

const ClassRecord kClasses[] = {{
    &CLSID_LongTimer,
    clickora::horolon::identity::kClassNameWide.data(),
    &IID__LongTimer,
    &DIID___LongTimer,
    L"Apartment",
    clickora::horolon::kMiscStatus,
    kToolboxBitmap,
    true,
    &clickora::horolon::CreateLongTimerObject,
}};

// Registered under the neutral locale 0; the type library itself keeps 0x0409 for its names.
constexpr LCID kRegistrationLocale = 0;

const RegistrationRecord kRecord = {
    clickora::horolon::identity::kProjectNameWide.data(),
    &LIBID_Horolib,
    6,
    0,
    kRegistrationLocale,
    kClasses,
    static_cast<int>(sizeof(kClasses) / sizeof(kClasses[0])),
};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  return clickora::horolon::server::DllEntry(instance, reason, reserved);
}

STDAPI DllRegisterServer() {
  return clickora::horolon::server::RegisterServer(kRecord);
}

STDAPI DllUnregisterServer() {
  return clickora::horolon::server::UnregisterServer(kRecord);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return clickora::horolon::server::GetClassObject(kRecord, clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
  return clickora::horolon::server::CanUnloadNow();
}

}  // extern "C"
