// The small in-process server runtime of horolon.ocx: registration from the constant record,
// the class factory, and the live count that answers DllCanUnloadNow.
#include "server_runtime.h"

#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/module_path.h"
#include "platform/win32/result.h"
#include "platform/win32/unique_handle.h"

// NOTE: oleaut32 exports these two (Windows Vista SP1 and later) and MinGW-w64 links them, but
// its oleauto.h does not declare them.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help_folder);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                        SYSKIND syskind);
}

namespace clickora::horolon::server {
namespace {

using platform::win32::ComObject;
using platform::win32::ComPtr;
using platform::win32::Guard;
using platform::win32::UniqueHkey;

HINSTANCE g_module = nullptr;
std::atomic<LONG> g_live_count{0};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// One registry entry: the key (relative to the classes root) and, unless value_name and data
// are both null, one string value in it (value_name null = the key's default value).
struct RegistryRow {
  std::wstring key;
  const wchar_t* value_name;
  std::wstring data;
  bool has_value;
};

std::wstring VersionText(const RegistrationRecord& record) {
  return std::to_wstring(record.major_version) + L"." + std::to_wstring(record.minor_version);
}

std::wstring HexText(unsigned long value) {
  wchar_t text[16] = {};
  ::_snwprintf(text, 15, L"%lx", value);
  return text;
}

std::vector<RegistryRow> ClassRows(const RegistrationRecord& record, const ClassRecord& item,
                                   const std::wstring& path) {
  const std::wstring clsid_key = L"CLSID\\" + GuidText(*item.clsid);
  const std::wstring prog_id = ProgId(record, item);
  std::vector<RegistryRow> rows = {
      {clsid_key, nullptr, item.class_name, true},
      {clsid_key + L"\\InprocServer32", nullptr, path, true},
      {clsid_key + L"\\InprocServer32", L"ThreadingModel", item.threading, true},
      {clsid_key + L"\\ProgID", nullptr, prog_id, true},
      {clsid_key + L"\\MiscStatus", nullptr, L"0", true},
      {clsid_key + L"\\MiscStatus\\1", nullptr, std::to_wstring(item.misc_status), true},
      {clsid_key + L"\\ToolboxBitmap32", nullptr,
       path + L", " + std::to_wstring(item.toolbox_bitmap), true},
      {clsid_key + L"\\TypeLib", nullptr, GuidText(*record.libid), true},
      {clsid_key + L"\\Version", nullptr, VersionText(record), true},
      {prog_id, nullptr, item.class_name, true},
      {prog_id + L"\\CLSID", nullptr, GuidText(*item.clsid), true},
  };
  if (item.is_control) rows.push_back({clsid_key + L"\\Control", nullptr, L"", false});
  return rows;
}

// The root all keys go under (relative paths as under HKCR): the machine's classes when they can
// be written, else the user's own.
HRESULT OpenClassesRoot(RegistrationScope scope, UniqueHkey& root, bool& per_user) {
  per_user = false;
  if (scope == RegistrationScope::kMachineIfAllowed) {
    const LSTATUS status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, root.Put(), nullptr);
    if (status == ERROR_SUCCESS) return S_OK;
  }
  per_user = true;
  const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, root.Put(), nullptr);
  return HRESULT_FROM_WIN32(status);
}

HRESULT WriteRows(HKEY root, const std::vector<RegistryRow>& rows) {
  for (const RegistryRow& row : rows) {
    UniqueHkey key;
    LSTATUS status = ::RegCreateKeyExW(root, row.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                       key.Put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (!row.has_value) continue;
    const auto bytes = static_cast<DWORD>((row.data.size() + 1) * sizeof(wchar_t));
    status = ::RegSetValueExW(key.Get(), row.value_name, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(row.data.c_str()), bytes);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT DeleteTree(HKEY root, const std::wstring& key) {
  const LSTATUS status = ::RegDeleteTreeW(root, key.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(status);
}

// Deletes key when nothing is left under it (no subkeys, no values).
void DeleteIfEmpty(HKEY root, const std::wstring& key) {
  UniqueHkey opened;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.Put()) != ERROR_SUCCESS) return;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (::RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  opened.Reset();
  if (subkeys == 0 && values == 0) ::RegDeleteKeyW(root, key.c_str());
}

std::wstring TypeLibKey(const RegistrationRecord& record) {
  return L"TypeLib\\" + GuidText(*record.libid);
}

std::wstring TypeLibVersionKey(const RegistrationRecord& record) {
  return TypeLibKey(record) + L"\\" + VersionText(record);
}

// Interface\{IID} names the library that describes it; only such keys are this library's.
bool InterfaceBelongsTo(HKEY root, const RegistrationRecord& record, const IID& iid) {
  const std::wstring key = L"Interface\\" + GuidText(iid) + L"\\TypeLib";
  wchar_t data[64] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (::RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::_wcsicmp(data, GuidText(*record.libid).c_str()) == 0;
}

HRESULT LoadOwnTypeLib(ComPtr<ITypeLib>& library, std::wstring& path) {
  RETURN_IF_FAILED(platform::win32::ModulePath(g_module, path));
  return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
}

// The system registers a library under the locale the library reports, which for this library
// is its registration locale (0) on Windows but may be the locale of its names (0x0409) on other
// implementations; the record's locale is the one hosts look up, so the entry is kept there.
HRESULT KeepRecordLocale(HKEY root, const RegistrationRecord& record, ITypeLib& library,
                         const std::wstring& path) {
  TLIBATTR* attributes = nullptr;
  RETURN_IF_FAILED(library.GetLibAttr(&attributes));
  const LCID registered = attributes->lcid;
  const SYSKIND syskind = attributes->syskind;
  library.ReleaseTLibAttr(attributes);
  if (registered == record.registration_lcid) return S_OK;
  const std::wstring version_key = TypeLibVersionKey(record);
  const wchar_t* platform_name = syskind == SYS_WIN64 ? L"win64" : L"win32";
  RETURN_IF_FAILED(WriteRows(
      root, {{version_key + L"\\" + HexText(record.registration_lcid) + L"\\" + platform_name,
              nullptr, path, true}}));
  return DeleteTree(root, version_key + L"\\" + HexText(registered));
}

HRESULT RegisterAll(HKEY root, bool per_user, const RegistrationRecord& record) {
  std::wstring path;
  RETURN_IF_FAILED(platform::win32::ModulePath(g_module, path));
  for (int i = 0; i < record.class_count; ++i) {
    RETURN_IF_FAILED(WriteRows(root, ClassRows(record, record.classes[i], path)));
  }
  ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(LoadOwnTypeLib(library, path));
  if (per_user) {
    RETURN_IF_FAILED(::RegisterTypeLibForUser(library.Get(), path.data(), nullptr));
  } else {
    RETURN_IF_FAILED(::RegisterTypeLib(library.Get(), path.data(), nullptr));
  }
  return KeepRecordLocale(root, record, *library.Get(), path);
}

// Removes every entry of the record under root; goes on past a failure and returns the first.
HRESULT RemoveAll(HKEY root, bool per_user, const RegistrationRecord& record) {
  HRESULT first = S_OK;
  auto note = [&first](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  };
  for (int i = 0; i < record.class_count; ++i) {
    const ClassRecord& item = record.classes[i];
    note(DeleteTree(root, L"CLSID\\" + GuidText(*item.clsid)));
    note(DeleteTree(root, ProgId(record, item)));
  }
  UniqueHkey version;
  if (::RegOpenKeyExW(root, TypeLibVersionKey(record).c_str(), 0, KEY_READ, version.Put()) ==
      ERROR_SUCCESS) {
    version.Reset();
    // The system's own removal first, for whatever bookkeeping it keeps; the keys themselves
    // are then removed here whatever it left (it may skip a dispatch-only interface).
    ComPtr<ITypeLib> library;
    std::wstring path;
    if (SUCCEEDED(LoadOwnTypeLib(library, path))) {
      TLIBATTR* attributes = nullptr;
      if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        const SYSKIND syskind = attributes->syskind;
        library->ReleaseTLibAttr(attributes);
        if (per_user) {
          ::UnRegisterTypeLibForUser(*record.libid, record.major_version, record.minor_version,
                                     record.registration_lcid, syskind);
        } else {
          ::UnRegisterTypeLib(*record.libid, record.major_version, record.minor_version,
                              record.registration_lcid, syskind);
        }
      }
    }
    for (int i = 0; i < record.class_count; ++i) {
      const ClassRecord& item = record.classes[i];
      for (const IID* iid : {item.default_interface, item.event_interface}) {
        if (iid && InterfaceBelongsTo(root, record, *iid)) {
          note(DeleteTree(root, L"Interface\\" + GuidText(*iid)));
        }
      }
    }
    note(DeleteTree(root, TypeLibVersionKey(record)));
    DeleteIfEmpty(root, TypeLibKey(record));
  }
  return first;
}

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
 public:
  explicit ClassFactory(const ClassRecord& item) noexcept : item_(item) { AddLiveObject(); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return item_.create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      AddLiveObject();
    } else {
      RemoveLiveObject();
    }
    return S_OK;
  }

 private:
  ~ClassFactory() override { RemoveLiveObject(); }

  const ClassRecord& item_;
};

}  // namespace

void AddLiveObject() noexcept {
  ++g_live_count;
}

void RemoveLiveObject() noexcept {
  --g_live_count;
}

HINSTANCE ModuleHandle() noexcept {
  return g_module;
}

BOOL DllEntry(HINSTANCE instance, DWORD reason, void*) {
  // Only the module handle is taken here: registry and file work wait for the exports, away
  // from the loader lock.
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

std::wstring ProgId(const RegistrationRecord& record, const ClassRecord& item) {
  return std::wstring(record.project_name) + L"." + item.class_name;
}

HRESULT RegisterServer(const RegistrationRecord& record, RegistrationScope scope) {
  return Guard([&]() -> HRESULT {
    if (!g_module) return E_UNEXPECTED;
    UniqueHkey root;
    bool per_user = false;
    RETURN_IF_FAILED(OpenClassesRoot(scope, root, per_user));
    const HRESULT hr = RegisterAll(root.Get(), per_user, record);
    // Half a registration is worse than none: a later step that fails takes back the earlier.
    if (FAILED(hr)) RemoveAll(root.Get(), per_user, record);
    return hr;
  });
}

HRESULT UnregisterServer(const RegistrationRecord& record, RegistrationScope scope) {
  return Guard([&]() -> HRESULT {
    if (!g_module) return E_UNEXPECTED;
    UniqueHkey root;
    bool per_user = false;
    RETURN_IF_FAILED(OpenClassesRoot(scope, root, per_user));
    return RemoveAll(root.Get(), per_user, record);
  });
}

HRESULT GetClassObject(const RegistrationRecord& record, REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!g_module) return E_UNEXPECTED;
  for (int i = 0; i < record.class_count; ++i) {
    const ClassRecord& item = record.classes[i];
    if (clsid != *item.clsid) continue;
    ComPtr<IClassFactory> factory;
    factory.Attach(new (std::nothrow) ClassFactory(item));
    RETURN_IF_NULL_ALLOC(factory.Get());
    return factory->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() {
  return g_live_count.load() == 0 ? S_OK : S_FALSE;
}

}  // namespace clickora::horolon::server
