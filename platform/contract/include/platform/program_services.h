#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "numbers/number_format.h"

namespace clickora::platform {

class ProgramServices {
 public:
  virtual ~ProgramServices() = default;
  // The directory of the running executable, without a trailing separator.
  virtual std::string ProgramFolder() = 0;
  // From now on F1 in the program's window opens this help file beside the program.
  virtual void SetHelpFile(std::string_view path) = 0;
  // Queues keystrokes ("{F1}") to the program's active window and returns without waiting.
  virtual void SendKeysNoWait(std::string_view keys) = 0;
  // A modal message box with an OK button only, no icon, captioned with the application title.
  virtual void ShowMessage(std::string_view text) = 0;
  // The user's decimal and thousands separators, for reading typed numbers.
  virtual numbers::NumberFormat UserNumberFormat() = 0;
  // Ends the program at once: no further event procedure runs, timers stop, files close.
  virtual void EndProgram(int exit_code) = 0;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Mouse button event flags, as the click run passes them.
inline constexpr std::uint32_t kLeftButtonDown = 2;
inline constexpr std::uint32_t kLeftButtonUp = 4;

// How far the synthesised button events of PointerInput reach.
enum class ClickReach : std::uint8_t {
  kEverywhere,      // whatever window lies under the pointer
  kX11WindowsOnly,  // only windows of X clients: on a Wayland session, through its X server
  kNowhere,         // the system takes no synthesised button events at all
};

// The pointer and the left button, in screen pixels of the whole virtual desktop (origin at the
// top left of the primary screen; negative to its left and above it).
class PointerInput {
 public:
  virtual ~PointerInput() = default;
  // Fills point with the pointer's position; on failure returns false and leaves point as it was.
  virtual bool GetCursorPos(Point& point) = 0;
  virtual bool SetCursorPos(Point point) = 0;
  // One button event at the pointer's present position, delivered to whatever lies under it.
  virtual void MouseEvent(std::uint32_t flags) = 0;
  // The events of one click, back to back, with no other input between them. Returns how many
  // the system took in; fewer than given means the click did not happen as a click.
  virtual std::size_t MouseEvents(std::span<const std::uint32_t> flags) {
    for (const std::uint32_t event : flags) MouseEvent(event);
    return flags.size();
  }
  // The same, at POINT, where SetCursorPos has just put the pointer. A system whose pointer can
  // move between the two calls (the user's hand, or a movement it still had queued) is told the
  // point with every event, so the click cannot land anywhere else; where moves and button events
  // go through one ordered stream the point is already where they land.
  virtual std::size_t MouseEventsAt(Point point, std::span<const std::uint32_t> flags) {
    static_cast<void>(point);
    return MouseEvents(flags);
  }
  // Where MouseEvent's clicks arrive; the same answer for the whole life of the program.
  virtual ClickReach Reach() = 0;
  // True while the desktop will ask the user for consent before the next click goes through.
  virtual bool AsksConsent() { return false; }
};

class TimeOfDay {
 public:
  virtual ~TimeOfDay() = default;
  // The current local time of day in the user's default time format, with hours, minutes and
  // seconds.
  virtual std::string NowText() = 0;
  // The local time of day that many seconds from now, in the same form as NowText.
  virtual std::string TextAfterSeconds(double seconds) = 0;
};

}  // namespace clickora::platform
