#include "pick_window.h"

#include <windowsx.h>

#include <utility>

#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

constexpr wchar_t kPickClass[] = L"ClickoraPick";
// NOTE: a layered window takes clicks only where it is not wholly transparent: the least
// opacity there is keeps the screen looking as it was and still catches every click.
constexpr BYTE kAlmostTransparent = 1;

HINSTANCE ProgramInstance() {
  return ::GetModuleHandleW(nullptr);
}

bool RegisterPickClass(WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(ProgramInstance(), kPickClass, &existing)) return true;
  WNDCLASSEXW pick_class{};
  pick_class.cbSize = sizeof pick_class;
  pick_class.lpfnWndProc = procedure;
  pick_class.hInstance = ProgramInstance();
  pick_class.hCursor = ::LoadCursorW(nullptr, IDC_CROSS);
  pick_class.lpszClassName = kPickClass;
  return ::RegisterClassExW(&pick_class) != 0;
}

}  // namespace

Win32PickSurface::~Win32PickSurface() {
  ending_ = true;
  on_done_ = nullptr;  // the program is going: nobody waits for the outcome any more
  window_.Reset();
}

void Win32PickSurface::Begin(std::function<void(const PickOutcome&)> on_done) {
  on_done_ = std::move(on_done);
  pressed_ = Pressed::kNone;
  ending_ = false;
  previous_active_ = ::GetForegroundWindow();
  // The virtual screen in physical pixels (the program is per-monitor DPI aware): every monitor,
  // those left of and above the primary one included.
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HWND window = nullptr;
  if (RegisterPickClass(&WindowProcedure)) {
    // No taskbar button (tool window); topmost above every ordinary window.
    window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW, kPickClass, L"",
                               WS_POPUP, left, top, width, height, nullptr, nullptr,
                               ProgramInstance(), this);
  }
  if (!window) {
    const DWORD error = ::GetLastError();
    End({PickOutcome::Kind::kRefused, {}, SystemErrorText(error)});
    return;
  }
  window_.Reset(window);
  ::SetLayeredWindowAttributes(window, 0, kAlmostTransparent, LWA_ALPHA);
  ::ShowWindow(window, SW_SHOW);
  // The keyboard too, for Esc.
  ::SetForegroundWindow(window);
  ::SetCapture(window);
}

LRESULT CALLBACK Win32PickSurface::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                   LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32PickSurface*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (self == nullptr || self->ending_) return ::DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(window, message, wparam, lparam);
}

LRESULT Win32PickSurface::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));
      return TRUE;
    case WM_ERASEBKGND:
      return 1;  // nothing is drawn: what lies beneath shows through
    case WM_PAINT:
      ::ValidateRect(window, nullptr);
      return 0;
    case WM_LBUTTONDOWN:
      pressed_ = Pressed::kLeft;
      press_point_ = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ::ClientToScreen(window, &press_point_);
      return 0;
    case WM_LBUTTONUP:
      if (pressed_ == Pressed::kLeft) {
        End({PickOutcome::Kind::kPicked, {press_point_.x, press_point_.y}, {}});
      }
      return 0;
    case WM_RBUTTONDOWN:
      pressed_ = Pressed::kRight;
      return 0;
    case WM_RBUTTONUP:
      // At the release, which would otherwise open a context menu of the window beneath.
      if (pressed_ == Pressed::kRight) End({PickOutcome::Kind::kCancelled, {}, {}});
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) End({PickOutcome::Kind::kCancelled, {}, {}});
      return 0;
    case WM_ACTIVATE:
      // Another window came up over the pick (Alt+Tab, the Start menu): Esc would not reach it.
      if (LOWORD(wparam) == WA_INACTIVE) End({PickOutcome::Kind::kCancelled, {}, {}});
      return 0;
    case WM_DPICHANGED:
      return 0;  // the popup keeps covering the virtual screen as it is
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

void Win32PickSurface::End(const PickOutcome& outcome) {
  ending_ = true;  // the popup's last messages (deactivation, capture) change nothing any more
  if (window_ && ::GetCapture() == window_.Get()) ::ReleaseCapture();
  window_.Reset();
  if (previous_active_ && ::IsWindow(previous_active_)) ::SetForegroundWindow(previous_active_);
  previous_active_ = nullptr;
  const std::function<void(const PickOutcome&)> on_done = std::move(on_done_);
  on_done_ = nullptr;
  if (on_done) on_done(outcome);
}

}  // namespace clickora::platform::win32
