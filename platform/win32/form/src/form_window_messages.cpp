#include <windows.h>

#include <cstring>

#include "form_window.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers the whole surface
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (const LRESULT brush =
              ControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam))) {
        return brush;
      }
      break;
    case WM_COMMAND:
      OnCommand(wparam, lparam);
      return 0;
    case WM_SIZE:
      resize_raised_ = true;
      Raise("Form", "Resize");
      return 0;
    case WM_CLOSE:
      // The Unload procedure normally ends the program; if it returns, the window goes.
      Raise("Form", "Unload");
      if (window_) ::DestroyWindow(window_);
      return 0;
    case WM_POWERBROADCAST:
      if (wparam == PBT_POWERSETTINGCHANGE && lparam != 0) {
        OnPowerSetting(*reinterpret_cast<const POWERBROADCAST_SETTING*>(lparam));
      }
      return TRUE;
    case WM_DESTROY:
      display_reports_.Reset();
      ClearTimers();
      DestroyToolTips();  // owned by this window, they would go with it anyway
      SetSink(nullptr);   // nothing is raised into a window that is going
      if (running_) ::PostQuitMessage(0);
      running_ = false;
      return 0;
    case WM_ACTIVATE:
      OnActivate(wparam);
      if (LOWORD(wparam) != WA_INACTIVE && saved_focus_) return 0;
      break;
    case WM_SETFOCUS:
      if (saved_focus_ && ::IsWindow(saved_focus_)) ::SetFocus(saved_focus_);
      return 0;
    case WM_HELP:
      if (context_.show_help) context_.show_help();
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      break;
  }
  return Default(message, wparam, lparam);
}

bool FormWindow::PreTranslate(MSG& message) {
  if (!window_ || (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) return false;
  if ((message.message == WM_KEYDOWN || message.message == WM_KEYUP) && message.wParam == VK_F1) {
    if (message.message == WM_KEYDOWN && context_.show_help) context_.show_help();
    return true;
  }
  if (message.message == WM_KEYDOWN || message.message == WM_KEYUP) {
    for (const auto& [key, name] : window_keys_) {
      if (message.wParam != key) continue;
      // Held down, the key repeats; one press is one event.
      const bool repeat = (message.lParam & (1L << 30)) != 0;
      if (message.message == WM_KEYDOWN && !repeat) Raise(name, "Pressed");
      return true;
    }
  }
  return ::IsDialogMessageW(window_, &message) != FALSE;
}

void FormWindow::Paint() {
  PAINTSTRUCT paint{};
  const HDC screen = ::BeginPaint(window_, &paint);
  RECT client{};
  ::GetClientRect(window_, &client);
  // Drawn off screen first, so the labels never flicker over the picture.
  const UniqueHdc memory(::CreateCompatibleDC(screen));
  // NOTE: a DIB section rather than a compatible bitmap: Wine takes a compatible bitmap's pixels
  // from its C heap, whose allocator keeps a freed buffer of the window's size for good; a DIB
  // section's pixels are pages of their own, given back when the paint ends.
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = client.right;
  format.bmiHeader.biHeight = -client.bottom;  // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  const UniqueGdiObject bitmap(
      ::CreateDIBSection(screen, &format, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (memory && bitmap) {
    const HGDIOBJ old = ::SelectObject(memory.Get(), bitmap.Get());
    PaintFormSurface(memory.Get(), client, &picture_, dpi_, design_.controls, *fonts_);
    ::BitBlt(screen, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    ::SelectObject(memory.Get(), old);
  } else {
    PaintFormSurface(screen, client, &picture_, dpi_, design_.controls, *fonts_);
  }
  ::EndPaint(window_, &paint);
}

LRESULT FormWindow::ControlColour(HDC dc, HWND control) {
  const Child* child = FindChild(control);
  if (!child || (!child->brush && child->design.fore_colour.kind == ColourDesign::Kind::kDefault))
    return 0;
  const HBRUSH default_brush = reinterpret_cast<HBRUSH>(
      Default(child->design.kind == ControlKind::kTextBox ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
              reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  if (child->design.fore_colour.kind != ColourDesign::Kind::kDefault) {
    ::SetTextColor(dc, ColourOf(child->design.fore_colour, COLOR_WINDOWTEXT));
  }
  if (!child->brush) return reinterpret_cast<LRESULT>(default_brush);
  ::SetBkColor(dc, ColourOf(child->design.back_colour, COLOR_WINDOW));
  return reinterpret_cast<LRESULT>(child->brush);
}

void FormWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
  const auto control = reinterpret_cast<HWND>(lparam);
  if (!control) {
    // A menu command (accelerators there are none). IDOK and IDCANCEL from the dialog keys
    // match no command and are dropped.
    if (HIWORD(wparam) != 0) return;
    const auto command = menu_commands_.find(LOWORD(wparam));
    if (command != menu_commands_.end()) Raise(command->second, "Click");
    return;
  }
  if (HIWORD(wparam) == EN_CHANGE) {
    for (TextBoxControl* box : text_boxes_) {
      if (box->Handle() == control) box->Forget();
    }
    return;
  }
  if (HIWORD(wparam) != BN_CLICKED) return;
  const Child* child = FindChild(control);
  // NOTE: the dialog keys send BN_CLICKED for the focused button even when it has just been
  // disabled (Enter pressed twice quickly); a disabled control raises nothing.
  if (!child || !::IsWindowEnabled(control)) return;
  if (child->design.kind == ControlKind::kOptionButton) options_.Select(control);
  Raise(child->design.name, "Click");
}

void FormWindow::OnActivate(WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    // Remember the focused control, to give it the focus back when the window is active again.
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(window_, focus)) saved_focus_ = focus;
    return;
  }
  if (HIWORD(wparam)) return;  // minimized
  if (!saved_focus_ || !::IsWindow(saved_focus_) || !::IsWindowEnabled(saved_focus_)) {
    saved_focus_ = ChildWindow(design_.initial_focus);
  }
  if (saved_focus_) ::SetFocus(saved_focus_);
}

void FormWindow::OnDpiChanged(unsigned dpi, const RECT& suggested) {
  dpi_ = dpi;
  // The old fonts stay selected into the controls until the new ones replace them.
  auto fonts = std::make_unique<FontSet>(dpi);
  LayoutChildren(*fonts);
  fonts_ = std::move(fonts);
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(window_, nullptr, FALSE);
}

void FormWindow::OnPowerSetting(const POWERBROADCAST_SETTING& setting) {
  if (setting.PowerSetting != kDisplayState || setting.DataLength < sizeof(DWORD)) return;
  DWORD state = 0;
  std::memcpy(&state, setting.Data, sizeof state);
  // A dimmed display can still be read; only an unlit one hides the window.
  if (SetScreenOn(state != 0)) Raise("Form", "Resize");
}

FormWindow::Child* FormWindow::FindChild(HWND window) {
  if (!window) return nullptr;
  for (Child& child : children_) {
    if (child.window == window) return &child;
  }
  return nullptr;
}

void FormWindow::OnUncaughtException() noexcept {
  Events().ReportUncaughtError("an error in the window's own code");
}

}  // namespace clickora::platform::win32
