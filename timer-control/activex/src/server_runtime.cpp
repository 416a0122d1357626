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

std::vector<RegistryRow> ClassRows(const RegistrationRecord& record, const ClassRecord& item,
                                   const std::wstring& path) {
  const std::wstring clsid_key = L"CLSID\\" + GuidText(*item.clsid);
  const std::wstring version =
      std::to_wstring(record.major_version) + L"." + std::to_wstring(record.minor_version);
  std::vector<RegistryRow> rows = {
      {clsid_key, nullptr, item.class_name, true},
      {clsid_key + L"\\InprocServer32", nullptr, path, true},
      {clsid_key + L"\\InprocServer32", L"ThreadingModel", item.threading, true},
      {clsid_key + L"\\ProgID", nullptr, item.prog_id, true},
      {clsid_key + L"\\MiscStatus", nullptr, L"0", true},
      {clsid_key + L"\\MiscStatus\\1", nullptr, std::to_wstring(item.misc_status), true},
      {clsid_key + L"\\ToolboxBitmap32", nullptr,
       path + L", " + std::to_wstring(item.toolbox_bitmap), true},
      {clsid_key + L"\\TypeLib", nullptr, GuidText(*record.libid), true},
      {clsid_key + L"\\Version", nullptr, version, true},
      {item.prog_id, nullptr, item.class_name, true},
      {std::wstring(item.prog_id) + L"\\CLSID", nullptr, GuidText(*item.clsid), true},
  };
  if (item.is_control) rows.push_back({clsid_key + L"\\Control", nullptr, L"", false});
  return rows;
}

// The root all keys go under: HKCR, or the user's own classes when the process may not write
// the machine's.
HRESULT OpenClassesRoot(UniqueHkey& root) {
  LSTATUS status = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, nullptr, 0, KEY_ALL_ACCESS, root.Put());
  if (status == ERROR_SUCCESS) return S_OK;
  status = ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, root.Put(), nullptr);
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

bool TypeLibRegistered(HKEY root, const RegistrationRecord& record) {
  const std::wstring key = L"TypeLib\\" + GuidText(*record.libid) + L"\\" +
                           std::to_wstring(record.major_version) + L"." +
                           std::to_wstring(record.minor_version);
  UniqueHkey opened;
  return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.Put()) == ERROR_SUCCESS;
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

HRESULT RegisterServer(const RegistrationRecord& record) {
  return Guard([&]() -> HRESULT {
    if (!g_module) return E_UNEXPECTED;
    std::wstring path;
    RETURN_IF_FAILED(platform::win32::ModulePath(g_module, path));
    UniqueHkey root;
    RETURN_IF_FAILED(OpenClassesRoot(root));
    for (int i = 0; i < record.class_count; ++i) {
      RETURN_IF_FAILED(WriteRows(root.Get(), ClassRows(record, record.classes[i], path)));
    }
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()));
    return ::RegisterTypeLib(library.Get(), path.data(), nullptr);
  });
}

HRESULT UnregisterServer(const RegistrationRecord& record) {
  return Guard([&]() -> HRESULT {
    if (!g_module) return E_UNEXPECTED;
    UniqueHkey root;
    RETURN_IF_FAILED(OpenClassesRoot(root));
    for (int i = 0; i < record.class_count; ++i) {
      const ClassRecord& item = record.classes[i];
      RETURN_IF_FAILED(DeleteTree(root.Get(), L"CLSID\\" + GuidText(*item.clsid)));
      RETURN_IF_FAILED(DeleteTree(root.Get(), item.prog_id));
    }
    // Already gone counts as done: unregistering twice must succeed.
    if (!TypeLibRegistered(root.Get(), record)) return S_OK;
    // Removes the entries under the locale and system RegisterTypeLib used, which it takes from
    // the library itself.
    std::wstring path;
    RETURN_IF_FAILED(platform::win32::ModulePath(g_module, path));
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()));
    TLIBATTR* attributes = nullptr;
    RETURN_IF_FAILED(library->GetLibAttr(&attributes));
    const LCID lcid = attributes->lcid;
    const SYSKIND syskind = attributes->syskind;
    library->ReleaseTLibAttr(attributes);
    return ::UnRegisterTypeLib(*record.libid, record.major_version, record.minor_version, lcid,
                               syskind);
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
