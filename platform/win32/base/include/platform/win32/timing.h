#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/clock.h"
#include "platform/interval_timer.h"

namespace clickora::platform::win32 {

// The system's millisecond counter (winmm timeGetTime).
class SystemMillisecondClock final : public MillisecondClock {
 public:
  std::uint32_t NowMs() override;
};

class TimerWindow;

// Window timers (SetTimer) on a hidden message-only window of the calling thread. The window is
// made when the first timer of the thread is created and destroyed with the last one. Ticks
// arrive through the thread's message loop; a timer must be used on the thread that created it.
// Failures of the platform (no window, SetTimer refused) are thrown as std::system_error.
class WindowTimerService final : public TimerService {
 public:
  std::unique_ptr<IntervalTimer> CreateTimer(std::function<void()> on_tick) override;
};

}  // namespace clickora::platform::win32
