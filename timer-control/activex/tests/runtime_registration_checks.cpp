// The server runtime's registration, run here on records of its own: a registration whose later
// step fails leaves nothing behind, and a per-user registration puts the class, its ProgID (made
// from the record's names) and the type library under the user's classes.
#include "host_support.h"
#include "server_runtime.h"

namespace horolon_test {
namespace {

namespace server = clickora::horolon::server;

const CLSID kProbeClsid = {
    0x7A0C61B2, 0x3D54, 0x4E8F, {0x9B, 0x21, 0x5C, 0x47, 0x8E, 0x90, 0x13, 0xA6}};
const GUID kProbeLibid = {
    0x7A0C61B3, 0x3D54, 0x4E8F, {0x9B, 0x21, 0x5C, 0x47, 0x8E, 0x90, 0x13, 0xA6}};

HRESULT CreateNothing(REFIID, void** out) {
  *out = nullptr;
  return E_NOTIMPL;
}

std::wstring GuidKey(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

bool HasKey(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

std::wstring Text(HKEY root, const std::wstring& key) {
  wchar_t data[512] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (::RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return L"<none>";
  }
  return data;
}

}  // namespace

void CheckRegistrationRollback(HMODULE control) {
  const server::ClassRecord probe = {&kProbeClsid,  L"Probe", &IID__LongTimer, &DIID___LongTimer,
                                     L"Apartment",  132497,   30000,           true,
                                     &CreateNothing};
  const std::wstring clsid_key = L"CLSID\\" + GuidKey(kProbeClsid);
  const std::wstring user_classes = L"Software\\Classes\\";

  // This program's own file holds no type library: registering from it fails after the class
  // keys are written, and they must go again.
  server::DllEntry(::GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, nullptr);
  const server::RegistrationRecord broken = {L"HorolonCheck", &kProbeLibid, 1, 0, 0, &probe, 1};
  const HRESULT failed = server::RegisterServer(broken);
  Check(FAILED(failed) && !HasKey(HKEY_CLASSES_ROOT, clsid_key) &&
            !HasKey(HKEY_CLASSES_ROOT, L"HorolonCheck.Probe"),
        "a registration whose type library step fails leaves no class keys (" + Hex(failed) + ")");

  // Per user, from the control's own file and type library.
  server::DllEntry(control, DLL_PROCESS_ATTACH, nullptr);
  const server::RegistrationRecord record = {L"HorolonCheck", &LIBID_Horolib, 6, 0, 0, &probe, 1};
  const HRESULT registered = server::RegisterServer(record, server::RegistrationScope::kUser);
  const std::wstring typelib_key = user_classes + L"TypeLib\\" + GuidKey(LIBID_Horolib) + L"\\6.0";
  std::wstring path;
  clickora::platform::win32::ModulePath(control, path);
  Check(
      registered == S_OK && Lower(Text(HKEY_CURRENT_USER, user_classes + clsid_key +
                                                              L"\\InprocServer32")) == Lower(path),
      "per-user registration writes the class under the user's classes (" + Hex(registered) + ")");
  Check(
      Text(HKEY_CURRENT_USER, user_classes + L"HorolonCheck.Probe\\CLSID") ==
              GuidKey(kProbeClsid) &&
          Text(HKEY_CURRENT_USER, user_classes + clsid_key + L"\\ProgID") == L"HorolonCheck.Probe",
      "the ProgID is the record's project name, a point and its class name");
  Check(HasKey(HKEY_CURRENT_USER, typelib_key + L"\\0\\win64") &&
            !HasKey(HKEY_CURRENT_USER, typelib_key + L"\\409"),
        "the type library is registered for the user, under the record's locale 0");
  ComPtr<ITypeLib> found;
  Check(SUCCEEDED(::LoadRegTypeLib(LIBID_Horolib, 6, 0, 0x0409, found.Put())),
        "the per-user type library is found");
  found.Reset();

  const HRESULT removed = server::UnregisterServer(record, server::RegistrationScope::kUser);
  Check(removed == S_OK && !HasKey(HKEY_CURRENT_USER, user_classes + clsid_key) &&
            !HasKey(HKEY_CURRENT_USER, user_classes + L"HorolonCheck.Probe") &&
            !HasKey(HKEY_CURRENT_USER, user_classes + L"TypeLib\\" + GuidKey(LIBID_Horolib)) &&
            !HasKey(HKEY_CURRENT_USER, user_classes + L"Interface\\" + GuidKey(IID__LongTimer)) &&
            !HasKey(HKEY_CURRENT_USER, user_classes + L"Interface\\" + GuidKey(DIID___LongTimer)),
        "per-user unregistration removes the class, ProgID, type library and interfaces (" +
            Hex(removed) + ")");
  // NOTE: Wine's RegisterTypeLibForUser registers in the machine's classes instead; say so, and
  // take that entry away again for the checks that follow.
  const bool machine_too =
      HasKey(HKEY_LOCAL_MACHINE, user_classes + L"TypeLib\\" + GuidKey(LIBID_Horolib));
  std::printf("figures: RegisterTypeLibForUser %s the machine's classes\n",
              machine_too ? "also wrote" : "left alone");
  if (machine_too) server::UnregisterServer(record);
  Check(FAILED(::LoadRegTypeLib(LIBID_Horolib, 6, 0, 0x0409, found.Put())),
        "no type library registration is left");
}

}  // namespace horolon_test
