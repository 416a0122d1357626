#pragma once

#include <memory>
#include <string_view>

#include "platform/form_runtime.h"
#include "platform/services.h"

namespace clickora::platform::win32 {

// The Windows platform: the single-threaded COM apartment that hosts the embedded controls, the
// services (clock, window timers, program services, pointer, time of day, settings files) and the
// form runtime on raw Win32. One per process, made first in wWinMain; everything it hands out
// lives as long as it does. Its header names no Windows type, so a program's main needs none.
//
// When COM does not start on the thread, the runtime still answers: every CreateForm then fails
// with the reason, so the program tells the user the way it tells of any window that cannot be
// made.
class Win32Platform {
 public:
  Win32Platform();
  ~Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // The caption of every message box of the program.
  void SetApplicationTitle(std::string_view title);

  Services& services();
  FormRuntime& runtime();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace clickora::platform::win32
