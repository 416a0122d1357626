#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "platform/interval_timer.h"

namespace clickora::platform::qt {

// Interval timers on QTimer, ticking on the UI thread through Qt's event loop. Timers left alive
// at the end are freed with the service.
class QtTimerService final : public TimerService {
 public:
  // NOTE: like the window timers of other platforms, periods below 10 ms are raised to 10 ms: a
  // 1 ms read-out would otherwise wake the whole program a thousand times a second.
  static constexpr int kMinimumPeriodMs = 10;

  QtTimerService();
  ~QtTimerService() override;
  std::unique_ptr<IntervalTimer> CreateTimer(std::function<void()> on_tick) override;

 private:
  std::unique_ptr<QObject> owner_;
};

}  // namespace clickora::platform::qt
