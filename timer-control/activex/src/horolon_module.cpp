// The four exports and the DLL entry of horolon.ocx. Each hands the library's constant record
// (and its two data slots) to the server runtime and returns the runtime's answer unchanged.
#include <windows.h>

#include "horolon_h.h"
#include "long_timer_object.h"
#include "server_runtime.h"

namespace {

using clickora::horolon::server::ClassRecord;
using clickora::horolon::server::RegistrationRecord;
using clickora::horolon::server::ServerSlots;

constexpr int kToolboxBitmap = 30000;

const ClassRecord kClasses[] = {{
    &CLSID_LongTimer,
    L"LongTimer",
    L"Horolib.LongTimer",
    L"Apartment",
    clickora::horolon::kMiscStatus,
    kToolboxBitmap,
    true,
    &clickora::horolon::CreateLongTimerObject,
}};

const RegistrationRecord kRecord = {
    L"Horolib",
    &LIBID_Horolib,
    6,
    0,
    0,
    kClasses,
    static_cast<int>(sizeof(kClasses) / sizeof(kClasses[0])),
};

ServerSlots g_slots = {nullptr, 0};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  return clickora::horolon::server::DllEntry(g_slots, instance, reason, reserved);
}

STDAPI DllRegisterServer() {
  return clickora::horolon::server::RegisterServer(kRecord, g_slots);
}

STDAPI DllUnregisterServer() {
  return clickora::horolon::server::UnregisterServer(kRecord, g_slots);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return clickora::horolon::server::GetClassObject(kRecord, g_slots, clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
  return clickora::horolon::server::CanUnloadNow(kRecord);
}

}  // extern "C"
