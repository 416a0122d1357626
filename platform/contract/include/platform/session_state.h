#pragma once

#include <cstdint>

namespace clickora::platform {

// What the session does to the clicks a program puts into the input, asked when a click is due.
class SessionState {
 public:
  virtual ~SessionState() = default;
  // True while the session is locked or another desktop (a secure desktop, the lock screen) has
  // the input: a synthesised click would then be refused or land on the lock screen.
  virtual bool InputLocked() = 0;
  // How many times the computer has woken from sleep since the program started.
  virtual std::uint32_t Wakes() = 0;
};

}  // namespace clickora::platform
