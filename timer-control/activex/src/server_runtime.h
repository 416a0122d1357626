#pragma once

#include <unknwn.h>
#include <windows.h>

namespace clickora::horolon::server {

// One creatable class of the library.
struct ClassRecord {
  const CLSID* clsid;
  const wchar_t* class_name;  // "LongTimer"
  const wchar_t* prog_id;     // "Horolib.LongTimer"
  const wchar_t* threading;   // "Apartment"
  DWORD misc_status;          // OLEMISC flags, registered as a decimal text
  int toolbox_bitmap;         // bitmap resource id of this file
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
  LCID registration_lcid;
  const ClassRecord* classes;
  int class_count;
};

// The library's module handle is taken by DllEntry; every object, class factory and server lock
// is counted while it lives, and the library may be unloaded when the count is back at zero.
BOOL DllEntry(HINSTANCE instance, DWORD reason, void* reserved);
HRESULT RegisterServer(const RegistrationRecord& record);
HRESULT UnregisterServer(const RegistrationRecord& record);
HRESULT GetClassObject(const RegistrationRecord& record, REFCLSID clsid, REFIID iid, void** out);
HRESULT CanUnloadNow();

void AddLiveObject() noexcept;
void RemoveLiveObject() noexcept;
HINSTANCE ModuleHandle() noexcept;

}  // namespace clickora::horolon::server
