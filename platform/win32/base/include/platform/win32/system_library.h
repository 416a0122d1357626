#pragma once

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// A system DLL loaded at run time, by its full path in the system folder: a DLL of the same name
// beside the program (a portable folder unzipped into Downloads, say) is never picked up, and
// the DLLs it imports in turn are looked for in the system folder first, whatever search order
// the process has. Loading when a command first needs it instead of importing it also keeps it
// out of the start-up. Freed with its owner; whatever an entry point returned must not outlive it.
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

  // Leaves the DLL loaded for the rest of the process: for entries kept in a static, which no
  // destructor may free at the process's or the module's end (FreeLibrary has no place under the
  // loader lock of DLL_PROCESS_DETACH).
  void KeepForProcess() noexcept { module_.Release(); }

 private:
  UniqueHmodule module_;
  DWORD load_error_ = ERROR_MOD_NOT_FOUND;
};

}  // namespace clickora::platform::win32
