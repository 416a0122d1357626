#include <windows.h>

#include <algorithm>
#include <cstdint>
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

namespace {

// One SendInput call for the whole click: the system inserts the events together, with no other
// input between them, and says how many it took. A locked session or the secure desktop takes
// none. AT, when given, goes with every event as an absolute position on the virtual screen.
std::size_t SendButtons(std::span<const std::uint32_t> flags, const INPUT& at) {
  std::vector<INPUT> inputs;
  inputs.reserve(flags.size());
  for (const std::uint32_t event : flags) {
    INPUT input = at;
    if (event & kLeftButtonDown) input.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    if (event & kLeftButtonUp) input.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    if (input.mi.dwFlags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP)) inputs.push_back(input);
  }
  if (inputs.empty()) return flags.size();
  const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size() ? flags.size() : sent;
}

// The normalised absolute coordinate (0 to 65535 across the virtual screen) that the system maps
// back to exactly PIXEL: it takes origin + coordinate * extent / 65536, rounded down, so the
// coordinate is rounded up. A pixel off the screen is taken at its nearest edge, as SetCursorPos
// takes it.
LONG Normalised(LONG pixel, int origin, int extent) {
  if (extent <= 0) return 0;
  const std::int64_t offset = std::clamp<std::int64_t>(pixel - origin, 0, extent - 1);
  return static_cast<LONG>((offset * 65536 + extent - 1) / extent);
}

}  // namespace

std::size_t Win32PointerInput::MouseEvents(std::span<const std::uint32_t> flags) {
  INPUT here{};
  here.type = INPUT_MOUSE;  // no MOUSEEVENTF_MOVE: at the pointer's present position
  return SendButtons(flags, here);
}

std::size_t Win32PointerInput::MouseEventsAt(Point point, std::span<const std::uint32_t> flags) {
  // Under Wine the X server's answer to an earlier movement can still move the pointer after
  // SetCursorPos, and on Windows the user's hand can; the position in the same batch as the
  // buttons holds against both.
  INPUT at{};
  at.type = INPUT_MOUSE;
  at.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  at.mi.dx = Normalised(point.x, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                        ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
  at.mi.dy = Normalised(point.y, ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                        ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
  return SendButtons(flags, at);
}

}  // namespace clickora::platform::win32
