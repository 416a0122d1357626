// pe_file_dump FILE: what a Windows program or control file carries, as text that can be diffed
// between builds: every resource (type, name, language, size and a hash of its bytes), the
// version block, and the embedded type library in full (library, types, members, parameters).
// The file is opened as data only, so a 64-bit process reads a 32-bit file as well; the type
// library's SYSKIND is printed on a line of its own, the one line the two widths differ in.
#include <windows.h>
// (after windows.h, which it needs)
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/com_ptr.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"

namespace {

using clickora::platform::win32::ComPtr;
using clickora::platform::win32::Narrow;
using clickora::platform::win32::UniqueHmodule;

std::string IdText(LPCWSTR id) {
  if (IS_INTRESOURCE(id)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(id));
  return Narrow(id);
}

std::uint64_t Fnv1a(const BYTE* data, DWORD size) {
  std::uint64_t hash = 14695981039346656037ull;
  for (DWORD i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
  return hash;
}

std::string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return Narrow(text);
}

std::string BstrText(BSTR text) {
  const std::string narrow = text ? Narrow(text) : "<null>";
  ::SysFreeString(text);
  return narrow;
}

struct Resource {
  std::wstring type;
  LPCWSTR type_id;
  std::wstring name;
  LPCWSTR name_id;
};

BOOL CALLBACK OnLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR) {
  HRSRC found = ::FindResourceExW(module, type, name, language);
  const DWORD size = found ? ::SizeofResource(module, found) : 0;
  const auto* data =
      found ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))) : nullptr;
  // The type library is compared by its content below; its bytes carry the width.
  const bool typelib = !IS_INTRESOURCE(type) && std::wstring(type) == L"TYPELIB";
  std::printf("resource %s %s lang %u", IdText(type).c_str(), IdText(name).c_str(), language);
  if (data && !typelib) {
    std::printf(" size %lu fnv %016llx", static_cast<unsigned long>(size),
                static_cast<unsigned long long>(Fnv1a(data, size)));
  }
  std::printf("\n");
  return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
  ::EnumResourceLanguagesW(module, type, name, &OnLanguage, 0);
  return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR) {
  ::EnumResourceNamesW(module, type, &OnName, 0);
  return TRUE;
}

void DumpVersion(const std::wstring& path) {
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
  if (block.empty() ||
      !::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    std::printf("version none\n");
    return;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) {
    std::printf("version file %08lx.%08lx product %08lx.%08lx os %08lx type %lu\n",
                fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                fixed->dwProductVersionLS, fixed->dwFileOS, fixed->dwFileType);
  }
  for (const wchar_t* key :
       {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
        L"OLESelfRegister", L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    wchar_t* text = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) {
      std::printf("version string %s = \"%s\"\n", Narrow(key).c_str(),
                  length > 0 && text ? Narrow(text).c_str() : "");
    }
  }
}

std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
  if (type.vt == VT_PTR) return TypeText(info, *type.lptdesc) + "*";
  if (type.vt == VT_USERDEFINED) {
    ComPtr<ITypeInfo> referred;
    BSTR name = nullptr;
    if (SUCCEEDED(info->GetRefTypeInfo(type.hreftype, referred.Put()))) {
      referred->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    }
    return "user " + BstrText(name);
  }
  return "vt " + std::to_string(type.vt);
}

void DumpType(ITypeLib* library, UINT index, std::size_t pointer_size) {
  ComPtr<ITypeInfo> info;
  if (FAILED(library->GetTypeInfo(index, info.Put()))) return;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return;
  BSTR name = nullptr;
  BSTR doc = nullptr;
  library->GetDocumentation(static_cast<INT>(index), &name, &doc, nullptr, nullptr);
  std::printf("type %u %s \"%s\" %s kind %d flags 0x%x funcs %u vars %u impls %u vtable %u\n",
              index, BstrText(name).c_str(), BstrText(doc).c_str(), GuidText(attr->guid).c_str(),
              attr->typekind, attr->wTypeFlags, attr->cFuncs, attr->cVars, attr->cImplTypes,
              static_cast<unsigned>(attr->cbSizeVft / pointer_size));
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    HREFTYPE ref = 0;
    INT flags = 0;
    ComPtr<ITypeInfo> implemented;
    BSTR implemented_name = nullptr;
    info->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, implemented.Put()))) {
      implemented->GetDocumentation(MEMBERID_NIL, &implemented_name, nullptr, nullptr, nullptr);
    }
    std::printf("  implements %s flags 0x%x\n", BstrText(implemented_name).c_str(), flags);
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    if (FAILED(info->GetFuncDesc(i, &func))) continue;
    BSTR names[8] = {};
    UINT count = 0;
    info->GetNames(func->memid, names, 8, &count);
    std::string listed;
    for (UINT n = 0; n < count; ++n) listed += " " + BstrText(names[n]);
    std::printf("  func 0x%08lx invoke %d kind %d call %d slot %d flags 0x%x returns %s names%s\n",
                static_cast<unsigned long>(func->memid), func->invkind, func->funckind,
                func->callconv, static_cast<int>(func->oVft / static_cast<SHORT>(pointer_size)),
                func->wFuncFlags, TypeText(info.Get(), func->elemdescFunc.tdesc).c_str(),
                listed.c_str());
    for (SHORT p = 0; p < func->cParams; ++p) {
      const ELEMDESC& param = func->lprgelemdescParam[p];
      std::printf("    param %d %s flags 0x%x\n", p, TypeText(info.Get(), param.tdesc).c_str(),
                  param.paramdesc.wParamFlags);
    }
    info->ReleaseFuncDesc(func);
  }
  info->ReleaseTypeAttr(attr);
}

// The library is read from the file's TYPELIB 1 resource through a copy in the temporary folder,
// which works whatever the width of the file.
int DumpTypeLibrary(HMODULE module) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB");
  if (!found) {
    std::printf("typelib none\n");
    return 0;
  }
  const DWORD size = ::SizeofResource(module, found);
  const void* data = ::LockResource(::LoadResource(module, found));
  wchar_t folder[MAX_PATH] = {};
  wchar_t copy[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  ::GetTempFileNameW(folder, L"tlb", 0, copy);
  HANDLE file = ::CreateFileW(copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool saved = file != INVALID_HANDLE_VALUE &&
                     ::WriteFile(file, data, size, &written, nullptr) && written == size;
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  ComPtr<ITypeLib> library;
  const HRESULT loaded = saved ? ::LoadTypeLibEx(copy, REGKIND_NONE, library.Put()) : E_FAIL;
  if (FAILED(loaded)) {
    std::printf("typelib unreadable 0x%08lx\n", static_cast<unsigned long>(loaded));
    ::DeleteFileW(copy);
    return 1;
  }
  TLIBATTR* attr = nullptr;
  library->GetLibAttr(&attr);
  // NOTE: the library is laid out for this process whatever its SYSKIND (Wine scales a 32-bit
  // library's vtable offsets to 64-bit pointers), so slots are counted in this process's pointers.
  const std::size_t pointer_size = sizeof(void*);
  BSTR name = nullptr;
  BSTR doc = nullptr;
  library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
  std::printf("typelib %s %s version %u.%u lcid 0x%lx flags 0x%x \"%s\" types %u\n",
              BstrText(name).c_str(), GuidText(attr->guid).c_str(), attr->wMajorVerNum,
              attr->wMinorVerNum, static_cast<unsigned long>(attr->lcid), attr->wLibFlags,
              BstrText(doc).c_str(), library->GetTypeInfoCount());
  std::printf("typelib syskind %d\n", attr->syskind);
  library->ReleaseTLibAttr(attr);
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) DumpType(library.Get(), i, pointer_size);
  library.Reset();
  ::DeleteFileW(copy);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pe_file_dump FILE\n");
    return 2;
  }
  const std::wstring path = argv[1];
  UniqueHmodule module(::LoadLibraryExW(path.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) {
    std::fprintf(stderr, "cannot open %s as data (error %lu)\n", Narrow(path).c_str(),
                 ::GetLastError());
    return 1;
  }
  ::CoInitialize(nullptr);
  ::EnumResourceTypesW(module.Get(), &OnType, 0);
  DumpVersion(path);
  const int result = DumpTypeLibrary(module.Get());
  ::CoUninitialize();
  return result;
}
