#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/program_services.h"

namespace clickora::platform {

struct PickOutcome {
  enum class Kind : std::uint8_t {
    kPicked,     // the left button went down at point
    kCancelled,  // Esc or the right button
    kRefused,    // the system would not hand the pointer to the program (detail says why)
  };
  Kind kind = Kind::kCancelled;
  Point point{};       // kPicked: in the pixels of PointerInput (primary screen's top-left origin)
  std::string detail;  // kRefused: the system's own words; may be empty
};

// Picking a point of the screen with the mouse. While a pick is going a cross-hair pointer shows
// over every screen and the next left-button press anywhere is the program's: it reaches no other
// window, and its point ends the pick. Esc or the right button cancel it. Timers and the
// program's other events go on meanwhile; the program's window gets the keyboard back at the end.
class PickSurface {
 public:
  virtual ~PickSurface() = default;
  // Starts a pick. on_done runs exactly once, on the UI thread, when the pick ends; where the pick
  // cannot start at all it may run before Begin returns. Beginning a pick while one is going is
  // the caller's fault.
  virtual void Begin(std::function<void(const PickOutcome&)> on_done) = 0;
};

}  // namespace clickora::platform
