#pragma once

#include <windows.h>

#include <functional>

#include "platform/pick_surface.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// The point picker on Windows: a topmost, nearly transparent popup over the whole virtual screen
// (every monitor) with the cross cursor, which takes the next click itself. The point of the
// left button's press, in physical screen pixels, is the pick; Esc, the right button or the loss
// of the activation (another window brought up) cancel. The popup goes at the button's release,
// so the release reaches no other window either, and the window that was active before the pick
// is activated again.
class Win32PickSurface final : public PickSurface {
 public:
  Win32PickSurface() = default;
  ~Win32PickSurface() override;
  Win32PickSurface(const Win32PickSurface&) = delete;
  Win32PickSurface& operator=(const Win32PickSurface&) = delete;

  // Refused (at once) only when the popup cannot be made.
  void Begin(std::function<void(const PickOutcome&)> on_done) override;

  // Tests: the popup while a pick is going, else null.
  HWND Handle() const noexcept { return window_.Get(); }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // window: the popup, also before CreateWindowExW has returned it.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Closes the popup, gives the activation back and reports the outcome.
  void End(const PickOutcome& outcome);

  UniqueHwnd window_;
  HWND previous_active_ = nullptr;
  std::function<void(const PickOutcome&)> on_done_;
  // The button pressed over the popup, whose release ends the pick.
  enum class Pressed : unsigned char { kNone, kLeft, kRight };
  Pressed pressed_ = Pressed::kNone;
  POINT press_point_{};
  bool ending_ = false;
};

}  // namespace clickora::platform::win32
