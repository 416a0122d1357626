#pragma once

#include <windows.h>

#include <string>

namespace clickora::platform::win32 {

// The full path of module's file (null: the program's own executable), however long it is.
HRESULT ModulePath(HMODULE module, std::wstring& path);

// The folder of that file, without the trailing separator ("C:" for a file in a drive's root).
HRESULT ModuleFolder(HMODULE module, std::wstring& folder);

}  // namespace clickora::platform::win32
