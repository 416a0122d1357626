#pragma once

#include <windows.h>

#include <optional>

#include "platform/target_integrity.h"

namespace clickora::platform::win32 {

// User Interface Privilege Isolation: the system silently drops synthesised input sent to a
// window of a process of higher integrity (a program run as administrator) than the sender's.
// Each window is asked for its process's integrity level through the process token.
class Win32TargetIntegrity final : public TargetIntegrity {
 public:
  ElevatedTarget AboveProgram(std::optional<Point> point) override;

 private:
  bool AboveUs(HWND window);

  std::optional<DWORD> own_level_;
};

// The integrity level (a SECURITY_MANDATORY_*_RID) of the process that owns window; none when
// the process cannot be opened or asked.
std::optional<DWORD> WindowIntegrityLevel(HWND window);
// The same for a process token.
std::optional<DWORD> IntegrityLevelOf(HANDLE token);

}  // namespace clickora::platform::win32
