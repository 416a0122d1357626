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

// The library's two runtime data slots: the module handle (set by the DLL entry) and the count
// of live objects, class factories and server locks that keeps the library loaded.
struct ServerSlots {
  HINSTANCE module;
  volatile LONG live_count;
};

BOOL DllEntry(ServerSlots& slots, HINSTANCE instance, DWORD reason, void* reserved);
HRESULT RegisterServer(const RegistrationRecord& record, ServerSlots& slots);
HRESULT UnregisterServer(const RegistrationRecord& record, ServerSlots& slots);
HRESULT GetClassObject(const RegistrationRecord& record, ServerSlots& slots, REFCLSID clsid,
                       REFIID iid, void** out);
HRESULT CanUnloadNow(const RegistrationRecord& record);

// Counted by every object of the library for as long as it lives.
void AddLiveObject() noexcept;
void RemoveLiveObject() noexcept;
HINSTANCE ModuleHandle() noexcept;

}  // namespace clickora::horolon::server
