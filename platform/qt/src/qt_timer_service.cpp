#include "qt_timer_service.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace clickora::platform::qt {
namespace {

class QtIntervalTimer final : public IntervalTimer {
 public:
  QtIntervalTimer(QObject& owner, std::function<void()> on_tick)
      : timer_(new QTimer(&owner)),
        on_tick_(std::make_shared<std::function<void()>>(std::move(on_tick))) {
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(kNominalMs);
    QObject::connect(timer_, &QTimer::timeout, timer_, [tick = std::weak_ptr(on_tick_)] {
      // The handler may destroy this timer: it runs on a reference of its own.
      if (const auto handler = tick.lock()) (*handler)();
    });
  }
  QtIntervalTimer(const QtIntervalTimer&) = delete;
  QtIntervalTimer& operator=(const QtIntervalTimer&) = delete;
  ~QtIntervalTimer() override {
    timer_->stop();
    // Possibly inside this timer's own timeout: the QTimer goes once control is back in the loop.
    timer_->deleteLater();
  }

  void SetInterval(std::int32_t milliseconds) override {
    interval_ = milliseconds;
    // QTimer restarts an active timer on a new interval: the period counts from now.
    timer_->setInterval(std::max<std::int32_t>(milliseconds, QtTimerService::kMinimumPeriodMs));
  }
  std::int32_t Interval() const override { return interval_; }

  void SetEnabled(bool enabled) override {
    if (enabled == timer_->isActive()) return;
    if (enabled) {
      timer_->start();
    } else {
      timer_->stop();
    }
  }
  bool Enabled() const override { return timer_->isActive(); }

 private:
  static constexpr std::int32_t kNominalMs = 100;
  QTimer* timer_;
  std::shared_ptr<std::function<void()>> on_tick_;
  std::int32_t interval_ = kNominalMs;
};

}  // namespace

QtTimerService::QtTimerService() : owner_(std::make_unique<QObject>()) {}

QtTimerService::~QtTimerService() = default;

std::unique_ptr<IntervalTimer> QtTimerService::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<QtIntervalTimer>(*owner_, std::move(on_tick));
}

}  // namespace clickora::platform::qt
