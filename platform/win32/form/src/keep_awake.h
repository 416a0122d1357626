#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/keep_awake.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// Keeps the system (never the display) awake through a power request that carries the reason,
// which `powercfg /requests` shows; where the system offers none, through the thread's execution
// state. Released at the latest with this object.
class Win32KeepAwake final : public KeepAwake {
 public:
  enum class Way { kNone, kPowerRequest, kExecutionState };

  Win32KeepAwake() = default;
  ~Win32KeepAwake() override { Release(); }
  Win32KeepAwake(const Win32KeepAwake&) = delete;
  Win32KeepAwake& operator=(const Win32KeepAwake&) = delete;

  KeepAwakeResult Hold(std::string_view reason) override;
  void Release() override;

  // Tests: how the system is held now.
  Way Held() const noexcept { return way_; }

 private:
  UniqueHandle<HANDLE, &::CloseHandle> request_;
  Way way_ = Way::kNone;
};

}  // namespace clickora::platform::win32
