#include "platform/fake/fake_event_loop.h"

#include <algorithm>
#include <utility>

namespace clickora::platform::fake {

class FakeEventLoop::Timer final : public IntervalTimer {
 public:
  Timer(FakeEventLoop& loop, std::function<void()> on_tick)
      : loop_(loop), on_tick_(std::move(on_tick)) {}
  ~Timer() override { loop_.Unschedule(*this); }

  void SetInterval(std::int32_t milliseconds) override {
    interval_ = milliseconds;
    if (enabled_) loop_.Schedule(*this);
  }
  std::int32_t Interval() const override { return interval_; }

  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled_) {
      loop_.Schedule(*this);
    } else {
      loop_.Unschedule(*this);
    }
  }
  bool Enabled() const override { return enabled_; }

  std::int32_t EffectivePeriod() const {
    return std::max({interval_, loop_.minimum_period_, std::int32_t{1}});
  }
  // A copy runs, so the handler may destroy this timer.
  void Tick() {
    const std::function<void()> on_tick = on_tick_;
    on_tick();
  }

  bool scheduled = false;
  std::pair<std::uint64_t, std::uint64_t> key{};

 private:
  FakeEventLoop& loop_;
  std::function<void()> on_tick_;
  std::int32_t interval_ = 100;
  bool enabled_ = false;
};

FakeEventLoop::FakeEventLoop(std::uint64_t start_ms) : now_(start_ms) {}

FakeEventLoop::~FakeEventLoop() = default;

std::unique_ptr<IntervalTimer> FakeEventLoop::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<Timer>(*this, std::move(on_tick));
}

void FakeEventLoop::Schedule(Timer& timer) {
  Unschedule(timer);
  const std::uint64_t lateness = lateness_ ? lateness_() : 0;
  const std::uint64_t due = now_ + static_cast<std::uint64_t>(timer.EffectivePeriod()) + lateness;
  timer.key = {due, next_order_++};
  timer.scheduled = true;
  queue_.emplace(timer.key, Event{due, timer.key.second, nullptr, &timer});
}

void FakeEventLoop::Unschedule(Timer& timer) {
  if (!timer.scheduled) return;
  queue_.erase(timer.key);
  timer.scheduled = false;
}

void FakeEventLoop::Post(std::function<void()> fn) {
  const std::pair key{now_, next_order_++};
  queue_.emplace(key, Event{now_, key.second, std::move(fn), nullptr});
}

bool FakeEventLoop::DeliverNext(std::uint64_t until) {
  if (stopped_ || queue_.empty()) return false;
  auto first = queue_.begin();
  if (first->first.first > until) return false;
  Event event = std::move(first->second);
  queue_.erase(first);
  now_ = std::max(now_, event.due);
  if (event.timer != nullptr) {
    Timer& timer = *event.timer;
    timer.scheduled = false;
    // The next period counts from this delivery; the handler may change or delete the timer.
    Schedule(timer);
    ++ticks_delivered_;
    timer.Tick();
  } else {
    event.fn();
  }
  return true;
}

void FakeEventLoop::AdvanceTo(std::uint64_t until) {
  while (DeliverNext(until)) {
  }
  if (!stopped_) now_ = std::max(now_, until);
}

bool FakeEventLoop::RunUntil(const std::function<bool()>& done, std::uint64_t limit_ms) {
  const std::uint64_t until = now_ + limit_ms;
  if (done()) return true;
  while (DeliverNext(until)) {
    if (done()) return true;
  }
  if (!stopped_) now_ = std::max(now_, until);
  return false;
}

bool FakeEventLoop::RunOne(std::uint64_t limit_ms) {
  return DeliverNext(now_ + limit_ms);
}

}  // namespace clickora::platform::fake
