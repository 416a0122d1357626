#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace clickora::platform {

// The runtime's ordinary interval timer. Ticks arrive on the thread that created the timer,
// through its event loop, one at a time; a tick handler runs to its end before anything else.
class IntervalTimer {
 public:
  virtual ~IntervalTimer() = default;

  // Period in whole milliseconds. Setting it on an enabled timer restarts the period from now.
  // Backends treat a period below 1 ms as 1 ms; the platform may also raise very short periods
  // to its own minimum (Windows window timers: 10 ms).
  virtual void SetInterval(std::int32_t milliseconds) = 0;
  virtual std::int32_t Interval() const = 0;

  // Enabling starts a fresh period from now; disabling drops any pending tick.
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

class TimerService {
 public:
  virtual ~TimerService() = default;
  // A new, disabled timer with a period of 100 ms whose ticks call on_tick. The timer may be
  // destroyed or changed from inside on_tick.
  virtual std::unique_ptr<IntervalTimer> CreateTimer(std::function<void()> on_tick) = 0;
};

}  // namespace clickora::platform
