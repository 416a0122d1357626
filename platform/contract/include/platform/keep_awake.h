#pragma once

#include <string>
#include <string_view>

namespace clickora::platform {

struct KeepAwakeResult {
  bool held = false;
  // Held: how (for the curious); not held: why, in the system's own words. May be empty.
  std::string detail;
};

// Keeps the computer from sleeping on its own while it is idle: the system only, never the
// display, so that the screen saver and the lock still protect an unattended computer. The lid
// and the power button still put it to sleep.
class KeepAwake {
 public:
  virtual ~KeepAwake() = default;
  // reason: why, as the system's power tools show it to the user. Holding again while held
  // changes nothing and needs no second Release.
  virtual KeepAwakeResult Hold(std::string_view reason) = 0;
  // Lets the computer sleep again; nothing happens when nothing is held.
  virtual void Release() = 0;
};

}  // namespace clickora::platform
