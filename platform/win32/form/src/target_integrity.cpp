#include "target_integrity.h"

#include <vector>

#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

std::optional<DWORD> IntegrityLevelOf(HANDLE token) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    return std::nullopt;
  }
  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  const PSID sid = label->Label.Sid;
  if (sid == nullptr || !::IsValidSid(sid)) return std::nullopt;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  if (count == 0) return std::nullopt;
  return *::GetSidSubAuthority(sid, count - 1U);
}

std::optional<DWORD> WindowIntegrityLevel(HWND window) {
  DWORD process_id = 0;
  if (window == nullptr || ::GetWindowThreadProcessId(window, &process_id) == 0) {
    return std::nullopt;
  }
  UniqueHandle<HANDLE, &::CloseHandle> process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process) return std::nullopt;
  UniqueHandle<HANDLE, &::CloseHandle> token;
  if (!::OpenProcessToken(process.Get(), TOKEN_QUERY, token.Put())) return std::nullopt;
  return IntegrityLevelOf(token.Get());
}

bool Win32TargetIntegrity::AboveUs(HWND window) {
  if (window == nullptr) return false;
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  if (process_id == ::GetCurrentProcessId()) return false;
  if (!own_level_) {
    UniqueHandle<HANDLE, &::CloseHandle> token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return false;
    own_level_ = IntegrityLevelOf(token.Get());
    if (!own_level_) return false;
  }
  // A process that cannot be asked (a protected one, or one of another session) cannot be told
  // apart: the click is tried.
  const std::optional<DWORD> level = WindowIntegrityLevel(window);
  return level && *level > *own_level_;
}

ElevatedTarget Win32TargetIntegrity::AboveProgram(std::optional<Point> point) {
  if (point) {
    const HWND at = ::WindowFromPoint(POINT{point->x, point->y});
    if (AboveUs(at != nullptr ? ::GetAncestor(at, GA_ROOT) : nullptr)) {
      return ElevatedTarget::kAtPoint;
    }
  }
  if (AboveUs(::GetForegroundWindow())) return ElevatedTarget::kForeground;
  return ElevatedTarget::kNone;
}

}  // namespace clickora::platform::win32
