#include "global_hot_key.h"

#include <string>
#include <utility>

#include "key_string.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

constexpr wchar_t kHotKeyClass[] = L"ClickoraGlobalHotKey";
constexpr int kHotKeyId = 1;  // ids are per window; this window holds one key

HINSTANCE ProgramInstance() {
  return ::GetModuleHandleW(nullptr);
}

bool RegisterHotKeyClass(WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(ProgramInstance(), kHotKeyClass, &existing)) return true;
  WNDCLASSEXW hot_key_class{};
  hot_key_class.cbSize = sizeof hot_key_class;
  hot_key_class.lpfnWndProc = procedure;
  hot_key_class.hInstance = ProgramInstance();
  hot_key_class.lpszClassName = kHotKeyClass;
  return ::RegisterClassExW(&hot_key_class) != 0;
}

// The one virtual key that a key string names, or 0 when it names anything else.
UINT SingleVirtualKey(std::string_view key) {
  const std::vector<KeyStroke> strokes = ParseKeyString(key);
  if (strokes.size() != 1 || strokes[0].kind != KeyStroke::Kind::kVirtualKey) return 0;
  return strokes[0].code;
}

}  // namespace

Win32GlobalHotKey::~Win32GlobalHotKey() {
  Release();
  window_.Reset();  // while this object can still answer the window's last messages
}

LRESULT CALLBACK Win32GlobalHotKey::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32GlobalHotKey*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_HOTKEY && self != nullptr && wparam == kHotKeyId) {
    self->Pressed();
    return 0;
  }
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return ::DefWindowProcW(window, message, wparam, lparam);
}

bool Win32GlobalHotKey::CreateWindowOnce(DWORD& error) {
  if (window_) return true;
  if (!RegisterHotKeyClass(&WindowProcedure)) {
    error = ::GetLastError();
    return false;
  }
  // A message-only window: never shown, never enumerated, but it receives posted messages.
  window_.Reset(::CreateWindowExW(0, kHotKeyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ProgramInstance(), this));
  if (!window_) {
    error = ::GetLastError();
    return false;
  }
  return true;
}

HotKeyResult Win32GlobalHotKey::Hold(std::string_view key, std::function<void()> on_pressed) {
  const UINT virtual_key = SingleVirtualKey(key);
  if (virtual_key == 0) {
    return {HotKeyResult::Failure::kUnavailable, "not a single key: " + std::string(key)};
  }
  if (held_key_ == virtual_key) {
    on_pressed_ = std::move(on_pressed);
    return {};
  }
  Release();
  DWORD error = 0;
  if (!CreateWindowOnce(error)) {
    return {HotKeyResult::Failure::kUnavailable, SystemErrorText(error)};
  }
  // NOTE: MOD_NOREPEAT: a key held down stops the run once, and the repeats that follow are not
  // turned into presses that could reach the next run.
  if (!::RegisterHotKey(window_.Get(), kHotKeyId, MOD_NOREPEAT, virtual_key)) {
    error = ::GetLastError();
    const HotKeyResult::Failure failure = error == ERROR_HOTKEY_ALREADY_REGISTERED
                                              ? HotKeyResult::Failure::kTaken
                                              : HotKeyResult::Failure::kUnavailable;
    return {failure, SystemErrorText(error)};
  }
  held_key_ = virtual_key;
  on_pressed_ = std::move(on_pressed);
  return {};
}

void Win32GlobalHotKey::Release() {
  if (held_key_ != 0) ::UnregisterHotKey(window_.Get(), kHotKeyId);
  held_key_ = 0;
  on_pressed_ = nullptr;
}

void Win32GlobalHotKey::Pressed() {
  // A WM_HOTKEY posted before Release can still be in the queue; it is not a press any more.
  if (held_key_ == 0 || !on_pressed_) return;
  // The handler usually releases the key, which drops on_pressed_: it runs from a copy.
  const std::function<void()> handler = on_pressed_;
  try {
    handler();
  } catch (...) {
    // No exception may cross the window procedure; the handler reports its own errors.
    ::OutputDebugStringW(L"global hot key: the handler threw\n");
  }
}

}  // namespace clickora::platform::win32
