#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace clickora::platform {

struct HotKeyResult {
  enum class Failure : std::uint8_t {
    kNone,
    kTaken,        // another program holds the key
    kUnavailable,  // the platform offers no such key here (detail says why)
  };
  Failure failure = Failure::kNone;
  std::string detail;  // the system's own words, for the curious; may be empty
  // Held, but the key reaches the program only while a window of an X11 program has the
  // keyboard focus (an X11 grab on a Wayland session).
  bool x11_focus_only = false;
  bool ok() const noexcept { return failure == Failure::kNone; }
};

// A key of the whole desktop: while it is held, pressing it reaches the program whichever
// window has the keyboard focus, and other programs do not see it. It is held only as long as
// the program needs it, so that other programs keep the key the rest of the time.
class GlobalHotKey {
 public:
  virtual ~GlobalHotKey() = default;
  // Takes the key, written in key-string notation ("{F6}"). From then on every press runs
  // on_pressed on the UI thread, between other events. Holding it again replaces the handler.
  virtual HotKeyResult Hold(std::string_view key, std::function<void()> on_pressed) = 0;
  // Gives the key back; nothing happens when it is not held.
  virtual void Release() = 0;
};

}  // namespace clickora::platform
