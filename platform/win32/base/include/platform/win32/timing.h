#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/clock.h"
#include "platform/interval_timer.h"

namespace clickora::platform::win32 {

// The system's millisecond counter: winmm's timeGetTime, bound at the first call.
class SystemMillisecondClock final : public MillisecondClock {
 public:
  std::uint32_t NowMs() override;
};

class TimerWindow;

// What a window timer asks of the system, replaceable so that tests can make the system refuse.
struct WindowTimerSystem {
  // SetTimer: arms a timer, or re-arms the running one of the same id with a new period.
  decltype(&::SetTimer) set_timer = &::SetTimer;
  // Hears the failure of a tick handler at the tick's dispatch, where nobody else can: the
  // default writes it to the debugger output.
  std::function<void(std::string_view what)> report_tick_failure;
};

// Window timers (SetTimer) on a hidden message-only window of the calling thread. The window is
// made when the first timer of the thread is created and destroyed with the last one. Ticks
// arrive through the thread's message loop; a timer must be used on the thread that created it.
// Failures of the platform (no window, SetTimer refused) are thrown as std::system_error; a new
// period that the system refuses leaves the running timer and its old period as they were.
class WindowTimerService final : public TimerService {
 public:
  WindowTimerService() = default;
  explicit WindowTimerService(WindowTimerSystem system) : system_(std::move(system)) {}
  std::unique_ptr<IntervalTimer> CreateTimer(std::function<void()> on_tick) override;

 private:
  WindowTimerSystem system_;
};

}  // namespace clickora::platform::win32
