#pragma once

#include <unknwn.h>
#include <windows.h>

#include <string>

namespace clickora::horolon::server {

// One creatable class of the library. Its ProgID is the project name, a point and class_name.
struct ClassRecord {
  const CLSID* clsid;
  const wchar_t* class_name;  // "LongTimer"
  const IID* default_interface;
  const IID* event_interface;
  const wchar_t* threading;  // "Apartment"
  DWORD misc_status;         // OLEMISC flags, registered as a decimal text
  int toolbox_bitmap;        // bitmap resource id of this file
  bool is_control;
  // Makes one object; runs inside the class factory.
  HRESULT (*create)(REFIID iid, void** out);
};

// The constant description of the library that every export hands to the runtime.
struct RegistrationRecord {
  const wchar_t* project_name;  // type library name
  const GUID* libid;
  WORD major_version;
  WORD minor_version;
  LCID registration_lcid;  // the locale the type library is registered under
  const ClassRecord* classes;
  int class_count;
};

// The library's module handle is taken by DllEntry; every object, class factory and server lock
// is counted while it lives, and the library may be unloaded when the count is back at zero.
BOOL DllEntry(HINSTANCE instance, DWORD reason, void* reserved);

// Where registration writes: the machine's classes when the process may write them, else the
// user's own (HKCU\Software\Classes, with the type library registered for the user as well).
// The 32-bit file on 64-bit Windows lands in the 32-bit view by the system's redirection; no
// view is ever named here.
enum class RegistrationScope { kMachineIfAllowed, kUser };

// Registers every class and the type library; when a step fails, what was written is removed
// again and the step's HRESULT goes back.
HRESULT RegisterServer(const RegistrationRecord& record,
                       RegistrationScope scope = RegistrationScope::kMachineIfAllowed);
// Removes what registration wrote; what is already gone counts as removed.
HRESULT UnregisterServer(const RegistrationRecord& record,
                         RegistrationScope scope = RegistrationScope::kMachineIfAllowed);
std::wstring ProgId(const RegistrationRecord& record, const ClassRecord& item);
HRESULT GetClassObject(const RegistrationRecord& record, REFCLSID clsid, REFIID iid, void** out);
HRESULT CanUnloadNow();

void AddLiveObject() noexcept;
void RemoveLiveObject() noexcept;
HINSTANCE ModuleHandle() noexcept;

}  // namespace clickora::horolon::server
