#include <windows.h>

#include "platform/win32/desktop_services.h"

namespace clickora::platform::win32 {

bool Win32PointerInput::GetCursorPos(Point& point) {
  POINT position{};
  if (!::GetCursorPos(&position)) return false;
  point = {position.x, position.y};
  return true;
}

bool Win32PointerInput::SetCursorPos(Point point) {
  return ::SetCursorPos(point.x, point.y) != FALSE;
}

void Win32PointerInput::MouseEvent(std::uint32_t flags) {
  // Only the left button's press and release are passed on; other bits would be movements or
  // wheel turns with no data attached.
  DWORD button = 0;
  if (flags & kLeftButtonDown) button |= MOUSEEVENTF_LEFTDOWN;
  if (flags & kLeftButtonUp) button |= MOUSEEVENTF_LEFTUP;
  if (button == 0) return;
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = button;  // no MOUSEEVENTF_MOVE: at the pointer's present position
  ::SendInput(1, &input, sizeof input);
}

}  // namespace clickora::platform::win32
