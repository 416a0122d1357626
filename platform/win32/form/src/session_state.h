#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/session_state.h"
#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// The session's lock and the system's sleeps, heard by a hidden top-level window of its own
// (WM_WTSSESSION_CHANGE after WTSRegisterSessionNotification; WM_POWERBROADCAST, which only
// top-level windows receive). Made on the UI thread when first asked, with the lock state of that
// moment; the input desktop is asked at every call, since the secure desktop (a UAC prompt, the
// sign-in screen) takes the input without locking the session.
class Win32SessionState final : public SessionState {
 public:
  Win32SessionState() = default;
  ~Win32SessionState() override;
  Win32SessionState(const Win32SessionState&) = delete;
  Win32SessionState& operator=(const Win32SessionState&) = delete;

  bool InputLocked() override;
  std::uint32_t Wakes() override;

  // Tests: the hidden window (null before the first question).
  HWND Handle() const noexcept { return window_.Get(); }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void WatchOnce();
  bool LockedAtStart();

  bool watching_ = false;
  SystemLibrary wtsapi_;
  UniqueHwnd window_;
  bool registered_ = false;
  bool locked_ = false;
  std::uint32_t wakes_ = 0;
};

// True when the desktop that receives the input is not this thread's own, or cannot be opened
// at all (the secure desktop refuses it): clicks put into the input would not reach our desktop.
bool InputOnAnotherDesktop();

}  // namespace clickora::platform::win32
