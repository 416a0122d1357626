#include "platform/win32/system_library.h"

#include <string>

namespace clickora::platform::win32 {

SystemLibrary::SystemLibrary(const wchar_t* name) noexcept {
  // The full path in the system folder, not the name alone with LOAD_LIBRARY_SEARCH_SYSTEM32,
  // which systems without the loader update of 2011 refuse (horolon.ocx runs in whatever host
  // loads it, on whatever system).
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
  // The DLLs that this one imports are looked for in the system folder only, whatever search
  // order the process keeps. A system without the search flags refuses the flag as a parameter;
  // there the search starts in the DLL's own folder, the system folder, not the program's.
  module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!module_ && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  }
  load_error_ = module_ ? 0 : ::GetLastError();
}

}  // namespace clickora::platform::win32
