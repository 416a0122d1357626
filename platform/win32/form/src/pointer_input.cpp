#include <windows.h>

#include <vector>

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

std::size_t Win32PointerInput::MouseEvents(std::span<const std::uint32_t> flags) {
  // One call for the whole click: the system inserts the events together, with no other input
  // between them, and says how many it took. A locked session or the secure desktop takes none.
  std::vector<INPUT> inputs;
  inputs.reserve(flags.size());
  for (const std::uint32_t event : flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    if (event & kLeftButtonDown) input.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    if (event & kLeftButtonUp) input.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    if (input.mi.dwFlags != 0) inputs.push_back(input);
  }
  if (inputs.empty()) return flags.size();
  const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size() ? flags.size() : sent;
}

}  // namespace clickora::platform::win32
