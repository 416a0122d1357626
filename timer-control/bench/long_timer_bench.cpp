// How closely LongTimer keeps to its grid when the inner ticks come late, against a naive
// scheduler that waits Interval after each event, on the same fake loop and the same lateness.
// Also shows what a single-precision accumulator does to a 24-day Interval. Prints figures only.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "platform/fake/fake_event_loop.h"
#include "timer_control/long_timer.h"

namespace {

using clickora::horolon::LongTimer;
using clickora::platform::IntervalTimer;
using clickora::platform::fake::FakeEventLoop;

constexpr std::uint64_t kEvents = 10'000;
constexpr std::uint64_t kStartMs = 10'000;

// Realistic lateness of a window timer's tick on a busy desktop: 0-30 ms, and about once in
// 3,000 ticks a stall of a second.
std::function<std::uint32_t()> DesktopLateness(std::uint32_t seed) {
  auto random = std::make_shared<std::mt19937>(seed);
  return [random]() -> std::uint32_t {
    std::uniform_int_distribution<std::uint32_t> jitter(0, 30);
    std::uniform_int_distribution<std::uint32_t> stall(0, 2'999);
    return jitter(*random) + (stall(*random) == 0 ? 1'000 : 0);
  };
}

struct Deviation {
  double max_ms = 0;
  double mean_ms = 0;
  double drift_ms = 0;  // of the last event
  double cpu_ns_per_tick = 0;
};

// Deviations of the events from the grid that starts when the timer was enabled.
Deviation Measure(const std::vector<std::uint64_t>& events, std::uint64_t start,
                  std::uint64_t interval_ms) {
  Deviation d;
  double sum = 0;
  for (std::size_t k = 0; k < events.size(); ++k) {
    const double deviation =
        static_cast<double>(events[k]) - static_cast<double>(start + (k + 1) * interval_ms);
    d.max_ms = std::max(d.max_ms, std::fabs(deviation));
    sum += std::fabs(deviation);
  }
  d.mean_ms = sum / static_cast<double>(events.size());
  d.drift_ms =
      static_cast<double>(events.back()) - static_cast<double>(start + events.size() * interval_ms);
  return d;
}

Deviation RunLongTimer(std::uint64_t interval_ms, std::uint32_t seed) {
  FakeEventLoop loop(kStartMs);
  loop.SetLateness(DesktopLateness(seed));
  std::vector<std::uint64_t> events;
  LongTimer timer(loop, loop, [&] { events.push_back(loop.Now()); });
  timer.SetInterval(static_cast<float>(interval_ms) / 1000.0f);
  const std::uint64_t start = loop.Now();
  timer.SetEnabled(true);
  // Processor time, not wall time: the machine may be busy with other work.
  const std::clock_t began = std::clock();
  loop.RunUntil([&] { return events.size() == kEvents; }, interval_ms * kEvents * 2);
  const std::clock_t took = std::clock() - began;
  Deviation d = Measure(events, start, interval_ms);
  d.cpu_ns_per_tick =
      static_cast<double>(took) * 1e9 / CLOCKS_PER_SEC / static_cast<double>(loop.TicksDelivered());
  return d;
}

Deviation RunNaive(std::uint64_t interval_ms, std::uint32_t seed) {
  FakeEventLoop loop(kStartMs);
  loop.SetLateness(DesktopLateness(seed));
  std::vector<std::uint64_t> events;
  std::unique_ptr<IntervalTimer> timer;
  timer = loop.CreateTimer([&] {
    events.push_back(loop.Now());
    timer->SetInterval(static_cast<std::int32_t>(interval_ms));  // waits Interval from now
  });
  timer->SetInterval(static_cast<std::int32_t>(interval_ms));
  const std::uint64_t start = loop.Now();
  timer->SetEnabled(true);
  loop.RunUntil([&] { return events.size() == kEvents; }, interval_ms * kEvents * 2);
  return Measure(events, start, interval_ms);
}

// The tick algorithm with every time held as a 32-bit float and the counter read as signed, as
// the control once kept them: from 2^20 s on, a tick of 0.1 s counts as 0.125 s.
class SinglePrecisionTimer {
 public:
  SinglePrecisionTimer(FakeEventLoop& loop, float interval, std::function<void()> on_timer)
      : loop_(loop), interval_(interval), on_timer_(std::move(on_timer)) {
    timer_ = loop.CreateTimer([this] { Tick(); });
    timer_->SetInterval(100);
    timer_->SetEnabled(true);
  }

 private:
  void Tick() {
    const float current = static_cast<float>(static_cast<std::int32_t>(loop_.NowMs()));
    const float elapsed = static_cast<float>(double{current} - double{last_});
    if (static_cast<float>(double{current} - double{last_}) < current) {
      const std::int32_t period = timer_->Interval();
      if (elapsed <= 100) {
        timer_->SetInterval(100);
      } else if (double{elapsed} - period < 55) {
        timer_->SetInterval(
            static_cast<std::int32_t>(period + (period - (double{current} - double{last_}))));
      } else {
        timer_->SetInterval(55);
      }
    }
    if (interval_ > 0 && last_ > 0) {
      accumulated_ = static_cast<float>(double{accumulated_} + double{elapsed} / 1000.0);
      if (accumulated_ >= interval_) {
        on_timer_();
        accumulated_ = static_cast<float>(double{accumulated_} - double{interval_});
      }
    }
    last_ = current;
  }

  FakeEventLoop& loop_;
  float interval_;
  std::function<void()> on_timer_;
  std::unique_ptr<IntervalTimer> timer_;
  float accumulated_ = 0;
  float last_ = 0;
};

void CompareGrid(std::uint64_t interval_ms) {
  const Deviation ours = RunLongTimer(interval_ms, 1);
  const Deviation naive = RunNaive(interval_ms, 1);
  std::printf("Interval %llu s, %llu events, tick lateness 0-30 ms + a 1 s stall per ~3000 ticks\n",
              static_cast<unsigned long long>(interval_ms / 1000),
              static_cast<unsigned long long>(kEvents));
  std::printf("  %-28s %14s %14s %16s\n", "", "max dev (ms)", "mean dev (ms)", "drift at end (ms)");
  std::printf("  %-28s %14.1f %14.1f %16.1f\n", "LongTimer", ours.max_ms, ours.mean_ms,
              ours.drift_ms);
  std::printf("  %-28s %14.1f %14.1f %16.1f\n", "naive (re-armed each event)", naive.max_ms,
              naive.mean_ms, naive.drift_ms);
  std::printf("  %-28s %14.1f %14.1f %16.1f\n", "ratio naive / LongTimer",
              naive.max_ms / ours.max_ms, naive.mean_ms / ours.mean_ms,
              naive.drift_ms / ours.drift_ms);
  std::printf("  LongTimer cost: %.0f ns of CPU per inner tick (fake loop included)\n\n",
              ours.cpu_ns_per_tick);
}

void CompareLongInterval() {
  constexpr float kInterval = 2'073'600.0f;  // 24 days
  FakeEventLoop loop(kStartMs);
  loop.SetLateness(DesktopLateness(2));
  std::uint64_t single_fired = 0;
  std::uint64_t ours_fired = 0;
  const std::uint64_t start = loop.Now();
  SinglePrecisionTimer single(loop, kInterval, [&] {
    if (single_fired == 0) single_fired = loop.Now();
  });
  LongTimer ours(loop, loop, [&] {
    if (ours_fired == 0) ours_fired = loop.Now();
  });
  ours.SetInterval(kInterval);
  ours.SetEnabled(true);
  const std::uint64_t due = start + 100 + static_cast<std::uint64_t>(kInterval) * 1000;
  loop.RunUntil([&] { return single_fired != 0 && ours_fired != 0; }, due - start + 86'400'000);
  auto report = [&](const char* name, std::uint64_t fired) {
    if (fired == 0) {
      std::printf("  %-30s never fired within a day after due\n", name);
    } else {
      const double off = (static_cast<double>(fired) - static_cast<double>(due)) / 1000.0;
      std::printf("  %-30s fired %+.1f s from due (%+.2f h)\n", name, off, off / 3600.0);
    }
  };
  std::printf("Interval 2073600 s (24 days), 100 ms inner ticks, lateness 0-30 ms + stalls\n");
  report("single-precision accumulator", single_fired);
  report("LongTimer", ours_fired);
}

}  // namespace

int main() {
  CompareGrid(1'000);
  CompareGrid(60'000);
  CompareLongInterval();
  return 0;
}
