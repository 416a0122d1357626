// The server as a file: its resources and version, and its class factory and unload rule.
#include "host_support.h"

namespace horolon_test {

void CheckResources(HMODULE module) {
  struct IidResource {
    const wchar_t* type;
    const GUID* iid;
  };
  for (const IidResource& item : {IidResource{L"_IID_LONGTIMER", &IID__LongTimer},
                                  IidResource{L"_SRCIID_LONGTIMER", &DIID___LongTimer}}) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), item.type);
    const auto* data =
        found ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))) : nullptr;
    DWORD length = 0;
    if (data) std::memcpy(&length, data, 4);
    Check(data && ::SizeofResource(module, found) == 20 && length == 16 &&
              std::memcmp(data + 4, item.iid, 16) == 0,
          "resource " + Narrow(item.type) + " 1 holds length 16 and the IID");
  }
  // The MSFT header holds two locales: the one the library registers under (neutral, 0) and
  // the one of its names (0x0409).
  HRSRC typelib = ::FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB");
  const auto* header =
      typelib ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, typelib))) : nullptr;
  LCID registration_lcid = 0xFFFF;
  LCID names_lcid = 0;
  if (header) std::memcpy(&registration_lcid, header + 0x0C, 4);
  if (header) std::memcpy(&names_lcid, header + 0x10, 4);
  Check(header && std::memcmp(header, "MSFT", 4) == 0 && registration_lcid == 0 &&
            names_lcid == 0x0409,
        "resource TYPELIB 1: registration locale 0, names' locale 0x0409");

  HBITMAP bitmap = static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(30000), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP info = {};
  if (bitmap) ::GetObjectW(bitmap, sizeof(info), &info);
  Check(bitmap && info.bmWidth == 16 && info.bmHeight == 15 && info.bmBitsPixel == 24,
        "bitmap 30000 is 16 x 15 at 24 bits");
  if (bitmap) ::DeleteObject(bitmap);

  Check(::FindResourceExW(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) != nullptr,
        "version resource 1 in language 1033");
  const std::wstring path = ModuleFolder() + L"\\horolon.ocx";
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
  const bool read =
      !block.empty() &&
      ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  const bool has_fixed =
      read && ::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size);
  Check(has_fixed && fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0 &&
            fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0 &&
            fixed->dwFileOS == VOS__WINDOWS32 && fixed->dwFileType == VFT_DLL,
        "fixed version 1.0.0.0, VOS__WINDOWS32, VFT_DLL");
  struct Entry {
    const wchar_t* key;
    const wchar_t* value;
  };
  for (const Entry& entry : {Entry{L"FileVersion", L"1.00"}, Entry{L"ProductVersion", L"1.00"},
                             Entry{L"ProductName", L"horolon"}, Entry{L"InternalName", L"horolon"},
                             Entry{L"OriginalFilename", L"horolon.ocx"},
                             Entry{L"CompanyName", L"Clickora"}, Entry{L"OLESelfRegister", L""}}) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + entry.key;
    wchar_t* text = nullptr;
    UINT length = 0;
    const bool found = read && ::VerQueryValueW(block.data(), query.c_str(),
                                                reinterpret_cast<void**>(&text), &length);
    const std::wstring value = found && text && length > 0 ? std::wstring(text) : L"";
    Check(found && value == entry.value,
          "version string " + Narrow(entry.key) + " = \"" + Narrow(value) + "\"");
  }
}

void CheckFactory(DllFunction can_unload, DllGetClassObjectFunction get_class_object) {
  // A class this library does not hold.
  const CLSID foreign = {
      0x1F2E3D4C, 0x5B6A, 0x4978, {0x86, 0x95, 0xA4, 0xB3, 0xC2, 0xD1, 0xE0, 0xF0}};
  void* answer = reinterpret_cast<void*>(1);
  Check(get_class_object(foreign, IID_IClassFactory, &answer) == CLASS_E_CLASSNOTAVAILABLE &&
            answer == nullptr,
        "DllGetClassObject with a foreign CLSID gives CLASS_E_CLASSNOTAVAILABLE");
  Check(get_class_object(CLSID_LongTimer, IID_IClassFactory, nullptr) == E_POINTER,
        "DllGetClassObject without an out-pointer gives E_POINTER");
  ComPtr<IClassFactory> factory;
  Check(SUCCEEDED(::CoGetClassObject(CLSID_LongTimer, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_IClassFactory, factory.PutVoid())),
        "class factory of LongTimer");
  if (!factory) return;
  EventSink outer;
  ComPtr<IUnknown> aggregated;
  Check(factory->CreateInstance(static_cast<IDispatch*>(&outer), IID_IUnknown,
                                aggregated.PutVoid()) == CLASS_E_NOAGGREGATION &&
            !aggregated,
        "an outer unknown gives CLASS_E_NOAGGREGATION");
  factory->LockServer(TRUE);
  Check(can_unload() == S_FALSE, "DllCanUnloadNow is S_FALSE while the server is locked");
  factory->LockServer(FALSE);
  ComPtr<IDispatch> object;
  factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid());
  factory.Reset();
  Check(object && can_unload() == S_FALSE, "DllCanUnloadNow is S_FALSE while an object lives");
}

// The export directory of the loaded file: exactly the four entries, by name, nothing else (no
// DllInstall, no ordinal-only export).
void CheckExports(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  std::vector<std::string> names;
  const auto* name_rvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.push_back(reinterpret_cast<const char*>(base + name_rvas[i]));
  }
  std::string listed;
  for (const std::string& name : names) listed += " " + name;
  Check(exports->NumberOfFunctions == 4 &&
            names == std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                              "DllRegisterServer", "DllUnregisterServer"},
        "exactly four exports:" + listed);
}

}  // namespace horolon_test
