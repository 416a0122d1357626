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
  // The library's own locale (of its names) is the second locale of the MSFT header.
  HRSRC typelib = ::FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB");
  const auto* header =
      typelib ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, typelib))) : nullptr;
  LCID names_lcid = 0;
  if (header) std::memcpy(&names_lcid, header + 0x10, 4);
  Check(header && std::memcmp(header, "MSFT", 4) == 0 && names_lcid == 0x0409,
        "resource TYPELIB 1, locale 0x0409");

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

void CheckFactory(DllFunction can_unload) {
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

}  // namespace horolon_test
