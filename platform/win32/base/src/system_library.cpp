#include "platform/win32/system_library.h"

#include <string>

namespace clickora::platform::win32 {

SystemLibrary::SystemLibrary(const wchar_t* name) noexcept {
  // The full path in the system folder rather than LOAD_LIBRARY_SEARCH_SYSTEM32, which systems
  // without the loader update of 2011 refuse (horolon.ocx runs in whatever host loads it).
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    load_error_ = ::GetLastError();
    return;
  }
  std::wstring path;
  try {
    path.assign(folder, length);
    path += L'\\';
    path += name;
  } catch (...) {
    load_error_ = ERROR_OUTOFMEMORY;
    return;
  }
  // The DLLs that this one imports are looked for in its own folder, the system folder, first,
  // not in the folder of the program: this also holds in a host that keeps the default order.
  module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  load_error_ = module_ ? 0 : ::GetLastError();
}

}  // namespace clickora::platform::win32
