#pragma once

#include <windows.h>

namespace clickora::platform::win32 {

// A window procedure bound to a C++ object: CreateWindowExW receives the object as its creation
// parameter, the procedure stores it at WM_NCCREATE and hands every later message to
// Derived::HandleMessage. No exception leaves the procedure: Derived::OnUncaughtException decides
// what an escaped one means (for a form, the program's end).
template <typename Derived>
class BaseWindow {
 public:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      self = static_cast<Derived*>(create->lpCreateParams);
      self->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(window, message, wparam, lparam);

    LRESULT result = 0;
    try {
      result = self->HandleMessage(message, wparam, lparam);
    } catch (...) {
      self->OnUncaughtException();
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
    }
    return result;
  }

  HWND Handle() const noexcept { return window_; }

 protected:
  // NOTE: the derived class destroys its window in its own destructor: by the time this one
  // ran, the messages of DestroyWindow would reach a half-destroyed object.
  BaseWindow() = default;
  ~BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::DefWindowProcW(window_, message, wparam, lparam);
  }

  HWND window_ = nullptr;
};

}  // namespace clickora::platform::win32
