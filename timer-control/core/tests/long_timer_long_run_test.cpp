// Weeks of up-time on the fake loop. Ticks five minutes apart stand for most of the time (a tick
// may legally arrive that late); around the moments under test the ticks come at their real 100 ms
// pace, so a fault of rounding or of the counter's wrap shows where it would show on a real system.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "long_timer_harness.h"
#include "timer_control/long_timer.h"

namespace clickora::horolon {
namespace {

using testing::Harness;

constexpr std::uint64_t kMinute = 60'000;
constexpr std::uint64_t kHour = 60 * kMinute;
constexpr std::uint64_t kDay = 24 * kHour;
constexpr std::uint64_t kCounterTurnsNegative = std::uint64_t{1} << 31;
constexpr std::uint64_t kCounterWraps = std::uint64_t{1} << 32;
// With the 55 ms period that follows a late tick, ticks come five minutes apart.
constexpr std::uint32_t kSparseLateness = 5 * 60'000 - 55;

struct Window {
  std::uint64_t from;
  std::uint64_t to;
};

// Punctual ticks inside the windows, a tick every five minutes elsewhere.
void TickDenselyIn(Harness& h, const std::vector<Window>& windows) {
  h.loop.SetLateness([&h, windows] {
    const std::uint64_t now = h.loop.Now();
    for (const Window& w : windows) {
      if (now + 5 * kMinute >= w.from && now < w.to) return std::uint32_t{0};
    }
    return kSparseLateness;
  });
}

// Every event on the first tick at or after its point of the grid start + k * interval.
void ExpectEventsOnGrid(const Harness& h, std::uint64_t interval_ms) {
  const std::uint64_t start = h.clock.first();
  ASSERT_EQ(h.events.size(), (h.clock.last() - start) / interval_ms);
  for (std::size_t k = 0; k < h.events.size(); ++k) {
    const std::uint64_t due = start + (k + 1) * interval_ms;
    ASSERT_LT(h.events[k].previous_tick, due) << "event " << k + 1;
    ASSERT_GE(h.events[k].at, due) << "event " << k + 1;
  }
}

TEST(LongTimerLongRunTest, SixtyDaysAcrossBothCounterWrapsStayOnTheGrid) {
  Harness h(kCounterTurnsNegative - 3 * kHour);
  const std::vector<Window> wraps = {
      {kCounterTurnsNegative - 20 * kMinute, kCounterTurnsNegative + 20 * kMinute},
      {kCounterWraps - 20 * kMinute, kCounterWraps + 20 * kMinute}};
  TickDenselyIn(h, wraps);
  constexpr std::uint64_t kInterval = 20 * kMinute;
  h.timer.SetInterval(static_cast<float>(kInterval / 1000));
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(60 * kDay);

  ExpectEventsOnGrid(h, kInterval);
  EXPECT_GT(h.events.size(), 60u * 72u - 2u);
  // Near each wrap the ticks are punctual, and so are the events: within one inner period.
  for (const Window& w : wraps) {
    int near = 0;
    for (const auto& e : h.events) {
      if (e.at < w.from || e.at > w.to) continue;
      ++near;
      EXPECT_LE(e.at - e.previous_tick, 100u);
    }
    EXPECT_GE(near, 1) << "no event near " << w.from;
  }
}

TEST(LongTimerLongRunTest, IntervalsOfWeeksFireWhenDue) {
  const struct {
    const char* name;
    float seconds;
  } kCases[] = {
      {"24 days", 2'073'600.0f},
      {"2^21 s", 2'097'152.0f},
      {"2^22 s", 4'194'304.0f},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    // Starting a day before the counter turns negative: the longest also passes its wrap.
    Harness h(kCounterTurnsNegative - kDay);
    h.timer.SetInterval(c.seconds);
    h.timer.SetEnabled(true);
    ASSERT_TRUE(h.loop.RunOne(1'000));
    const std::uint64_t due = h.clock.first() + static_cast<std::uint64_t>(c.seconds) * 1000;
    TickDenselyIn(h, {{due - 10 * kMinute, due + kMinute}});
    h.loop.AdvanceTo(due + kMinute);

    ASSERT_EQ(h.events.size(), 1u);
    EXPECT_LT(h.events[0].previous_tick, due);
    EXPECT_GE(h.events[0].at, due);
    EXPECT_LE(h.events[0].at - due, 100u);
  }
}

TEST(LongTimerLongRunTest, NastyLatenessNeverMakesThePeriodZeroOrLess) {
  Harness h;
  // Mostly lateness near 50 ms, where a period already shortened below 55 ms meets a tick late
  // by more than itself.
  std::mt19937 random(2024);
  std::discrete_distribution<int> kind({30, 60, 10});
  std::uniform_int_distribution<std::uint32_t> band(40, 56);
  std::uniform_int_distribution<std::uint32_t> stall(57, 2'000);
  h.loop.SetLateness([&]() -> std::uint32_t {
    switch (kind(random)) {
      case 0:
        return 0;
      case 1:
        return band(random);
      default:
        return stall(random);
    }
  });
  h.timer.SetInterval(1);
  h.timer.SetEnabled(true);

  int floored = 0;
  std::int32_t previous = 100;
  for (int tick = 0; tick < 30'000; ++tick) {
    ASSERT_TRUE(h.loop.RunOne(10'000));
    const std::int32_t period = h.timer.InnerPeriodMs();
    ASSERT_GT(period, 0) << "tick " << tick;
    ASSERT_LE(period, 100) << "tick " << tick;
    // A floored period is never followed by another short one: no busy loop.
    ASSERT_FALSE(previous < 10 && period < 10) << "tick " << tick;
    if (period < 10) ++floored;
    previous = period;
  }
  EXPECT_GT(floored, 10);
  // Nothing was lost to the corrections: every millisecond since the first tick is counted.
  const double counted_ms =
      static_cast<double>(h.events.size()) * 1000.0 + h.timer.AccumulatedSeconds() * 1000.0;
  EXPECT_NEAR(counted_ms, static_cast<double>(h.clock.last() - h.clock.first()), 1e-3);
}

}  // namespace
}  // namespace clickora::horolon
