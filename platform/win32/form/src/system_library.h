#pragma once

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// A system DLL that the program loads when a command first needs it instead of importing it:
// an import is loaded, with everything it imports in turn, before the window can show. Only the
// system folder is searched, so a DLL of the same name beside the program is never picked up.
// Freed with its owner; whatever an entry point returned must not outlive it.
class SystemLibrary {
 public:
  SystemLibrary() noexcept = default;
  explicit SystemLibrary(const wchar_t* name) noexcept;

  bool Loaded() const noexcept { return static_cast<bool>(module_); }
  // The error of the failed load; 0 once loaded.
  DWORD LoadError() const noexcept { return load_error_; }

  // The entry point `name` as a pointer of type Function, or null when the DLL is not loaded or
  // has no such entry.
  template <typename Function>
  Function Entry(const char* name) const noexcept {
    if (!module_) return nullptr;
    // NOTE: GetProcAddress returns a generic function pointer; going through void(*)() keeps
    // -Wcast-function-type quiet for this one intended cast.
    const auto generic = reinterpret_cast<void (*)()>(::GetProcAddress(module_.Get(), name));
    return reinterpret_cast<Function>(generic);
  }

 private:
  UniqueHmodule module_;
  DWORD load_error_ = ERROR_MOD_NOT_FOUND;
};

}  // namespace clickora::platform::win32
