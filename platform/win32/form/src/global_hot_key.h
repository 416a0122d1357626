#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "platform/global_hot_key.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// A key of the whole desktop through RegisterHotKey. The key belongs to a message-only window of
// its own, made on the UI thread at the first Hold, so WM_HOTKEY comes through the thread's one
// message loop like any other message, and the form's own window stays out of it.
class Win32GlobalHotKey final : public GlobalHotKey {
 public:
  Win32GlobalHotKey() = default;
  ~Win32GlobalHotKey() override;
  Win32GlobalHotKey(const Win32GlobalHotKey&) = delete;
  Win32GlobalHotKey& operator=(const Win32GlobalHotKey&) = delete;

  // Only a key string of one named key without modifiers ("{F6}") can be held.
  HotKeyResult Hold(std::string_view key, std::function<void()> on_pressed) override;
  void Release() override;

  // Tests: the message-only window that owns the key (null before the first Hold).
  HWND Handle() const noexcept { return window_.Get(); }
  bool Held() const noexcept { return held_key_ != 0; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  bool CreateWindowOnce(DWORD& error);
  void Pressed();

  UniqueHwnd window_;
  UINT held_key_ = 0;  // the virtual key held now, 0 for none
  std::function<void()> on_pressed_;
};

}  // namespace clickora::platform::win32
