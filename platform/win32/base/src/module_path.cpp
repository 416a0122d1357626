#include "platform/win32/module_path.h"

#include "platform/win32/result.h"

namespace clickora::platform::win32 {

HRESULT ModulePath(HMODULE module, std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return LastErrorResult();
    if (length < buffer.size()) {
      buffer.resize(length);
      path = std::move(buffer);
      return S_OK;
    }
    buffer.resize(buffer.size() * 2);  // cut to the buffer: a long path, try again
  }
}

HRESULT ModuleFolder(HMODULE module, std::wstring& folder) {
  std::wstring path;
  RETURN_IF_FAILED(ModulePath(module, path));
  const std::size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash);
  folder = std::move(path);
  return S_OK;
}

}  // namespace clickora::platform::win32
