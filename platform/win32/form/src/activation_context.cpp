#include "activation_context.h"

#include <string>
#include <utility>

namespace clickora::platform::win32 {
namespace {

// The program file's full path; empty if it cannot be had.
std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace

ActivationContext ActivationContext::FromProgramResource(WORD id) noexcept {
  const HMODULE program = ::GetModuleHandleW(nullptr);
  if (!::FindResourceW(program, MAKEINTRESOURCEW(id), RT_MANIFEST)) return {};
  std::wstring path;
  std::wstring folder;
  try {
    path = ProgramPath();
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    folder = path.substr(0, slash + 1);
  } catch (...) {
    return {};  // out of memory: no bundled controls, the registry alone decides
  }

  ACTCTXW description{};
  description.cbSize = sizeof(description);
  description.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID |
                        ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
  description.lpSource = path.c_str();
  description.lpResourceName = MAKEINTRESOURCEW(id);
  description.lpAssemblyDirectory = folder.c_str();
  description.hModule = program;
  const HANDLE handle = ::CreateActCtxW(&description);
  if (handle == INVALID_HANDLE_VALUE) {
    ::OutputDebugStringW(L"bundled controls manifest not usable; registered controls only\n");
    return {};
  }
  return ActivationContext(handle);
}

ActivationContext::ActivationContext(ActivationContext&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}

ActivationContext& ActivationContext::operator=(ActivationContext&& other) noexcept {
  if (this != &other) {
    if (Valid()) ::ReleaseActCtx(handle_);
    handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
  }
  return *this;
}

ActivationContext::~ActivationContext() {
  if (Valid()) ::ReleaseActCtx(handle_);
}

ActivationScope::ActivationScope(const ActivationContext& context) noexcept {
  if (context.Valid()) active_ = ::ActivateActCtx(context.Get(), &cookie_) != FALSE;
}

ActivationScope::~ActivationScope() {
  if (active_) ::DeactivateActCtx(0, cookie_);
}

const ActivationContext& BundledControls() noexcept {
  static const ActivationContext context =
      ActivationContext::FromProgramResource(kBundledControlsManifestId);
  return context;
}

}  // namespace clickora::platform::win32
