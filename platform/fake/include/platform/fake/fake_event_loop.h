#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/clock.h"
#include "platform/interval_timer.h"

namespace clickora::platform::fake {

// A deterministic event loop on a fake clock, for tests: interval timers and posted callbacks run
// in time order, one at a time, and days of ticks pass in milliseconds of real time.
//
// Timing model (that of a window timer): an enabled timer is due one period after it was enabled
// or last ticked; a tick is delivered late by whatever the lateness function says, and the next
// period counts from the moment the tick was delivered, so lateness shifts later ticks unless the
// timer's owner corrects for it.
class FakeEventLoop final : public MillisecondClock, public TimerService {
 public:
  // start_ms: the system up-time at which the loop starts (near 2^31 or 2^32 to try the wraps).
  explicit FakeEventLoop(std::uint64_t start_ms = 10'000);
  ~FakeEventLoop() override;

  // MillisecondClock: the 64-bit time modulo 2^32, as the real counter reports it.
  std::uint32_t NowMs() override { return static_cast<std::uint32_t>(now_); }
  std::uint64_t Now() const noexcept { return now_; }

  std::unique_ptr<IntervalTimer> CreateTimer(std::function<void()> on_tick) override;

  // The platform's lower bound on timer periods (Windows window timers: 10 ms). Default 1 ms.
  void SetMinimumPeriod(std::int32_t milliseconds) { minimum_period_ = milliseconds; }
  // How late each tick is delivered, sampled when the tick is scheduled. Default: never late.
  void SetLateness(std::function<std::uint32_t()> lateness) { lateness_ = std::move(lateness); }

  // Runs fn at the present time, after what is already due now (a posted message).
  void Post(std::function<void()> fn);

  // Delivers everything due up to and including `until`, in time order; time then stands there.
  void AdvanceTo(std::uint64_t until);
  void AdvanceBy(std::uint64_t milliseconds) { AdvanceTo(now_ + milliseconds); }
  // Delivers events until done() holds after one of them, or until limit ms have passed.
  // Returns whether done() came true.
  bool RunUntil(const std::function<bool()>& done, std::uint64_t limit_ms);
  // Runs only the next event, if one is due within limit_ms; returns false if none was.
  bool RunOne(std::uint64_t limit_ms);

  // Ends the loop: nothing more is delivered (the program has ended).
  void Stop() noexcept { stopped_ = true; }
  bool Stopped() const noexcept { return stopped_; }

  std::uint64_t TicksDelivered() const noexcept { return ticks_delivered_; }

 private:
  class Timer;
  struct Event {
    std::uint64_t due = 0;
    std::uint64_t order = 0;  // ties run in the order they were scheduled
    std::function<void()> fn;
    Timer* timer = nullptr;  // set for timer ticks
  };

  void Schedule(Timer& timer);
  void Unschedule(Timer& timer);
  bool DeliverNext(std::uint64_t until);

  std::uint64_t now_;
  std::uint64_t next_order_ = 0;
  std::int32_t minimum_period_ = 1;
  std::function<std::uint32_t()> lateness_;
  std::multimap<std::pair<std::uint64_t, std::uint64_t>, Event> queue_;
  bool stopped_ = false;
  std::uint64_t ticks_delivered_ = 0;
};

}  // namespace clickora::platform::fake
