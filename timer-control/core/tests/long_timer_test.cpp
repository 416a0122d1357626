#include "timer_control/long_timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "long_timer_harness.h"
#include "platform/property_bag.h"

namespace clickora::horolon {
namespace {

using testing::Harness;

TEST(LongTimerTest, NewInstanceIsIdle) {
  Harness h;
  EXPECT_EQ(h.timer.Interval(), 0.0f);
  EXPECT_FALSE(h.timer.Enabled());
  EXPECT_EQ(h.timer.InnerPeriodMs(), 100);
  h.loop.AdvanceBy(3'600'000);
  EXPECT_EQ(h.loop.TicksDelivered(), 0u);
  // Enabled with Interval 0: the inner timer ticks, nothing is counted or raised.
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(60'000);
  EXPECT_GT(h.loop.TicksDelivered(), 500u);
  EXPECT_TRUE(h.events.empty());
  EXPECT_EQ(h.timer.AccumulatedSeconds(), 0.0);
}

TEST(LongTimerTest, SetterRoundsToThousandths) {
  const struct {
    float set;
    float reads;
  } kCases[] = {
      {1.23456f, 1.235f}, {1.2345f, 1.235f},        {0.0004f, 0.0f},    {0.0005f, 0.001f},
      {0.5f, 0.5f},       {90.0f, 90.0f},           {-1.25f, -1.25f},   {-0.0004f, 0.0f},
      {60.0f, 60.0f},     {2073600.0f, 2073600.0f}, {3.0e38f, 3.0e38f},
  };
  for (const auto& c : kCases) {
    Harness h;
    h.timer.SetInterval(c.set);
    EXPECT_EQ(h.timer.Interval(), c.reads) << "set " << c.set;
  }
}

// Drives single ticks: latenesses[i] is how late tick i+1 arrives (tick 1 follows enabling).
std::int32_t PeriodAfter(const std::vector<std::uint32_t>& latenesses) {
  Harness h;
  std::uint32_t next_lateness = latenesses.front();
  h.loop.SetLateness([&] { return next_lateness; });
  h.timer.SetInterval(1000);
  h.timer.SetEnabled(true);
  for (std::size_t i = 1; i <= latenesses.size(); ++i) {
    next_lateness = i < latenesses.size() ? latenesses[i] : 0;
    EXPECT_TRUE(h.loop.RunOne(10'000));
  }
  return h.timer.InnerPeriodMs();
}

TEST(LongTimerTest, PeriodCorrection) {
  const struct {
    std::vector<std::uint32_t> latenesses;
    std::int32_t period;
  } kCases[] = {
      {{0, 0}, 100},       // elapsed 100
      {{0, 1}, 99},        // 101: the next period is shortened by the lateness
      {{0, 9}, 91},        // 109
      {{0, 54}, 46},       // 154
      {{0, 55}, 55},       // 155: too late to correct
      {{0, 60}, 55},       // 160
      {{700}, 100},        // the first tick only records the time
      {{700, 9}, 91},      // lateness of the first tick is not counted against the second
      {{0, 54, 54}, 100},  // P 46, elapsed 100
      {{0, 53, 54}, 1},    // P 47, elapsed 101 would give -7: floored, never 0 or less
      {{0, 53, 54, 0}, 100},  {{0, 53, 54, 98}, 100},  // elapsed 99 after the floored period
      {{0, 53, 54, 150}, 55},
  };
  for (const auto& c : kCases) {
    std::string name;
    for (auto l : c.latenesses) name += std::to_string(l) + " ";
    EXPECT_EQ(PeriodAfter(c.latenesses), c.period) << "latenesses " << name;
  }
}

TEST(LongTimerTest, EventsKeepToTheGrid) {
  const struct {
    const char* name;
    std::uint32_t max_lateness;
  } kCases[] = {{"punctual ticks", 0}, {"ticks up to 30 ms late", 30}, {"up to 54 ms", 54}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Harness h;
    std::mt19937 random(7);
    std::uniform_int_distribution<std::uint32_t> lateness(0, c.max_lateness);
    h.loop.SetLateness([&] { return lateness(random); });
    h.timer.SetInterval(1);
    h.timer.SetEnabled(true);
    h.loop.AdvanceBy(600'000);
    ASSERT_GT(h.events.size(), 590u);
    const std::uint64_t start = h.clock.first();
    for (std::size_t k = 0; k < h.events.size(); ++k) {
      const std::uint64_t due = start + (k + 1) * 1000;
      ASSERT_LT(h.events[k].previous_tick, due) << "event " << k + 1;
      ASSERT_GE(h.events[k].at, due) << "event " << k + 1;
    }
    const double mean = static_cast<double>(h.events.back().at - h.events.front().at) /
                        static_cast<double>(h.events.size() - 1);
    EXPECT_NEAR(mean, 1000.0, 160.0 / static_cast<double>(h.events.size() - 1));
  }
}

TEST(LongTimerTest, IntervalZeroSuspendsAndKeepsTheCount) {
  Harness h;
  h.timer.SetInterval(1);
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(100 + 3'450);  // three events, 0.4 s counted towards the fourth
  ASSERT_EQ(h.events.size(), 3u);
  EXPECT_DOUBLE_EQ(h.timer.AccumulatedSeconds(), 0.4);

  h.timer.SetInterval(0);
  const std::uint64_t ticks = h.loop.TicksDelivered();
  h.loop.AdvanceBy(60'000);
  EXPECT_EQ(h.events.size(), 3u);
  EXPECT_DOUBLE_EQ(h.timer.AccumulatedSeconds(), 0.4);
  EXPECT_GT(h.loop.TicksDelivered(), ticks + 500);  // still ticking, still measuring

  h.timer.SetInterval(1);
  const std::uint64_t resumed = h.loop.Now();
  h.loop.RunUntil([&] { return h.events.size() == 4; }, 10'000);
  ASSERT_EQ(h.events.size(), 4u);
  // Only the 0.6 s still missing is counted after resuming: the suspended minute is not.
  EXPECT_GE(h.events[3].at - resumed, 500u);
  EXPECT_LE(h.events[3].at - resumed, 700u);
}

TEST(LongTimerTest, PauseOfTenIntervalsPaysOneEventPerTick) {
  Harness h;
  h.timer.SetInterval(60);
  h.timer.SetEnabled(true);
  ASSERT_TRUE(h.loop.RunOne(1'000));  // the first tick records the time
  const std::uint64_t first_tick = h.loop.Now();
  h.timer.SetEnabled(false);
  h.loop.AdvanceTo(first_tick + 629'900);
  h.timer.SetEnabled(true);  // its first tick, 100 ms on, counts 630 s

  std::vector<std::size_t> events_per_tick;
  for (int tick = 0; tick < 11; ++tick) {
    const std::size_t before = h.events.size();
    ASSERT_TRUE(h.loop.RunOne(1'000));
    events_per_tick.push_back(h.events.size() - before);
  }
  EXPECT_EQ(events_per_tick, (std::vector<std::size_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}));
  EXPECT_EQ(h.events[0].at, first_tick + 630'000);
  EXPECT_EQ(h.events[1].at, first_tick + 630'055);  // the late tick is followed after 55 ms
  EXPECT_NEAR(h.timer.AccumulatedSeconds(), 30.955, 1e-9);
}

TEST(LongTimerTest, HeldEventsAreOwedAndPaidOnePerTickAfterRelease) {
  Harness h;
  h.timer.SetInterval(1);
  h.timer.SetEnabled(true);
  h.timer.SetEventsHeld(true);
  h.loop.AdvanceBy(100 + 3'450);  // three intervals fall due while held
  EXPECT_TRUE(h.events.empty());
  EXPECT_DOUBLE_EQ(h.timer.AccumulatedSeconds(), 3.4);  // nothing was taken off

  h.timer.SetEventsHeld(false);
  std::vector<std::size_t> events_per_tick;
  for (int tick = 0; tick < 4; ++tick) {
    const std::size_t before = h.events.size();
    ASSERT_TRUE(h.loop.RunOne(1'000));
    events_per_tick.push_back(h.events.size() - before);
  }
  EXPECT_EQ(events_per_tick, (std::vector<std::size_t>{1, 1, 1, 0}));
  EXPECT_NEAR(h.timer.AccumulatedSeconds(), 0.8, 1e-9);  // the rest carries
}

// The inner timer refuses a new period: the failure leaves the tick, the old period stays, and
// the time of the failed tick is counted by the next one.
TEST(LongTimerTest, InnerTimerFailureLeavesTheTickAndKeepsThePeriod) {
  class RefusingTimer final : public platform::IntervalTimer {
   public:
    RefusingTimer(std::unique_ptr<platform::IntervalTimer> inner, const bool& refuse)
        : inner_(std::move(inner)), refuse_(refuse) {}
    void SetInterval(std::int32_t ms) override {
      if (refuse_) throw std::runtime_error("refused");
      inner_->SetInterval(ms);
    }
    std::int32_t Interval() const override { return inner_->Interval(); }
    void SetEnabled(bool enabled) override { inner_->SetEnabled(enabled); }
    bool Enabled() const override { return inner_->Enabled(); }

   private:
    std::unique_ptr<platform::IntervalTimer> inner_;
    const bool& refuse_;
  };
  class RefusingTimers final : public platform::TimerService {
   public:
    explicit RefusingTimers(platform::TimerService& inner) : inner_(inner) {}
    std::unique_ptr<platform::IntervalTimer> CreateTimer(std::function<void()> tick) override {
      return std::make_unique<RefusingTimer>(inner_.CreateTimer(std::move(tick)), refuse);
    }
    bool refuse = false;

   private:
    platform::TimerService& inner_;
  };

  platform::fake::FakeEventLoop loop(10'000);
  testing::RecordingClock clock(loop);
  RefusingTimers timers(loop);
  int events = 0;
  std::uint32_t lateness = 0;
  loop.SetLateness([&] { return lateness; });
  LongTimer timer(clock, timers, [&] { ++events; });
  timer.SetInterval(0.25f);
  timer.SetEnabled(true);
  lateness = 30;                    // the second tick comes 130 ms after the first
  ASSERT_TRUE(loop.RunOne(1'000));  // records the time
  lateness = 0;
  timers.refuse = true;
  // Its correction is refused, and the failure reaches the tick's dispatch.
  EXPECT_THROW(loop.RunOne(1'000), std::runtime_error);
  EXPECT_EQ(timer.InnerPeriodMs(), 100);
  EXPECT_EQ(timer.AccumulatedSeconds(), 0.0);
  timers.refuse = false;
  ASSERT_TRUE(loop.RunOne(1'000));  // counts both ticks' time: 230 ms
  EXPECT_DOUBLE_EQ(timer.AccumulatedSeconds(), 0.23);
  EXPECT_EQ(events, 0);
}

TEST(LongTimerTest, NewIntervalBelowTheCountFiresAtTheNextTick) {
  Harness h;
  h.timer.SetInterval(10);
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(100 + 6'050);
  ASSERT_TRUE(h.events.empty());
  h.timer.SetInterval(5);
  EXPECT_DOUBLE_EQ(h.timer.AccumulatedSeconds(), 6.0);  // setting restarts nothing
  ASSERT_TRUE(h.loop.RunOne(1'000));
  ASSERT_EQ(h.events.size(), 1u);
  EXPECT_NEAR(h.timer.AccumulatedSeconds(), 1.1, 1e-9);
}

TEST(LongTimerTest, HandlerMayDisable) {
  Harness h;
  h.timer.SetInterval(1);
  h.handler = [&] { h.timer.SetEnabled(false); };
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(10'000);
  ASSERT_EQ(h.events.size(), 1u);
  EXPECT_FALSE(h.timer.Enabled());
  EXPECT_EQ(h.timer.AccumulatedSeconds(), 0.0);  // the interval was still taken off

  // The tick that raised the event recorded its time: the pause counts from there.
  h.handler = nullptr;
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(1'000);
  EXPECT_EQ(h.events.size(), 10u);  // the 9 s since that tick paid one event per tick
}

TEST(LongTimerTest, HandlerMayChangeInterval) {
  Harness h;
  h.timer.SetInterval(1);
  bool changed = false;
  h.handler = [&] {
    if (!changed) h.timer.SetInterval(0.3f);
    changed = true;
  };
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(100 + 1'900);
  // The new 0.3 s is what the first event takes off, leaving 0.7 s counted.
  std::vector<std::uint64_t> offsets;
  for (const auto& e : h.events) offsets.push_back(e.at - h.events.front().at);
  EXPECT_EQ(offsets, (std::vector<std::uint64_t>{0, 100, 200, 300, 500, 800}));
}

TEST(LongTimerTest, InfiniteIntervalSetInsideHandlerDoesNotPoisonTheCount) {
  Harness h;
  h.timer.SetInterval(1);
  h.handler = [&] { h.timer.SetInterval(std::numeric_limits<float>::infinity()); };
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(100 + 5'000);
  ASSERT_EQ(h.events.size(), 1u);
  EXPECT_DOUBLE_EQ(h.timer.AccumulatedSeconds(), 4.0);

  h.handler = nullptr;
  h.timer.SetInterval(2);  // counting resumes from the 4 s held
  h.loop.AdvanceBy(2'000);
  EXPECT_EQ(h.events.size(), 1u + 3u);
}

TEST(LongTimerTest, NestedTickInsideHandlerCountsOnlyItsOwnTime) {
  Harness h;
  h.timer.SetInterval(1);
  bool nested = false;
  h.handler = [&] {
    if (nested) return;
    nested = true;
    h.loop.RunOne(1'000);  // a modal loop inside the handler delivers the next tick
  };
  h.timer.SetEnabled(true);
  h.loop.AdvanceBy(100 + 3'050);
  ASSERT_EQ(h.events.size(), 3u);
  const std::uint64_t start = h.clock.first();
  EXPECT_EQ(h.events[0].at, start + 1'000);
  EXPECT_EQ(h.events[1].at, start + 2'000);
  EXPECT_EQ(h.events[2].at, start + 3'000);
}

TEST(LongTimerTest, OwnerMayDestroyTheTimerInsideTheHandler) {
  platform::fake::FakeEventLoop loop;
  int events = 0;
  std::unique_ptr<LongTimer> timer;
  timer = std::make_unique<LongTimer>(loop, loop, [&] {
    ++events;
    timer.reset();
  });
  timer->SetInterval(0.2f);
  timer->SetEnabled(true);
  loop.AdvanceBy(5'000);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(timer, nullptr);
}

// A container's store: names matched without regard to case, as tapvane's window keeps them.
class FakeBag final : public platform::PropertyBag {
 public:
  std::map<std::string, std::string> values;
  std::vector<std::pair<std::string, std::string>> writes;
  std::string failing;  // the name whose read or write fails

  bool Read(std::string_view name, std::optional<std::string>& value) override {
    if (name == failing) return false;
    auto it = values.find(Lower(name));
    value = it == values.end() ? std::nullopt : std::optional(it->second);
    return true;
  }
  bool Write(std::string_view name, std::string_view value) override {
    if (name == failing) return false;
    writes.emplace_back(name, value);
    values[Lower(name)] = value;
    return true;
  }

 private:
  static std::string Lower(std::string_view name) {
    std::string lower(name);
    for (char& ch : lower) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    return lower;
  }
};

using Writes = std::vector<std::pair<std::string, std::string>>;

TEST(LongTimerPropertiesTest, Save) {
  const struct {
    float interval;
    bool enabled;
    Writes writes;
  } kCases[] = {
      {90.5f, false, {{"Interval", "90.5"}}},
      {90.5f, true, {{"Interval", "90.5"}, {"Enabled", "True"}}},
      {0.0f, false, {{"Interval", "0"}}},
      {1.23456f, false, {{"Interval", "1.235"}}},
      {2073600.0f, true, {{"Interval", "2073600"}, {"Enabled", "True"}}},
      {-0.5f, false, {{"Interval", "-0.5"}}},
  };
  for (const auto& c : kCases) {
    Harness h;
    h.timer.SetInterval(c.interval);
    h.timer.SetEnabled(c.enabled);
    FakeBag bag;
    EXPECT_TRUE(h.timer.WriteProperties(bag));
    EXPECT_EQ(bag.writes, c.writes) << c.interval;
  }
}

TEST(LongTimerPropertiesTest, Load) {
  const struct {
    std::map<std::string, std::string> saved;  // as the container keeps them: lower case
    float interval;
    bool enabled;
  } kCases[] = {
      {{}, 0.0f, false},
      {{{"interval", "90.5"}}, 90.5f, false},
      {{{"interval", "abc"}}, 0.0f, false},
      {{{"interval", "1.23456"}}, 1.235f, false},
      {{{"interval", " 12,5"}}, 12.0f, false},
      {{{"interval", "1E+07"}}, 1.0e7f, false},
      {{{"interval", "1e300"}}, std::numeric_limits<float>::infinity(), false},
      {{{"interval", "60"}, {"enabled", "True"}}, 60.0f, true},
      {{{"interval", "60"}, {"enabled", "true"}}, 60.0f, false},
      {{{"interval", "60"}, {"enabled", "TRUE"}}, 60.0f, false},
      {{{"interval", "60"}, {"enabled", "-1"}}, 60.0f, false},
      {{{"interval", "60"}, {"enabled", "True "}}, 60.0f, false},
  };
  for (const auto& c : kCases) {
    Harness h;
    FakeBag bag;
    bag.values = c.saved;
    const std::string label = c.saved.count("interval") ? c.saved.at("interval") : "(none)";
    EXPECT_TRUE(h.timer.ReadProperties(bag));
    EXPECT_EQ(h.timer.Interval(), c.interval) << label;
    EXPECT_EQ(h.timer.Enabled(), c.enabled) << label;
  }
}

TEST(LongTimerPropertiesTest, LoadedEnabledTimerRunsAndRoundTrips) {
  Harness saved;
  saved.timer.SetInterval(2.5f);
  saved.timer.SetEnabled(true);
  FakeBag bag;
  ASSERT_TRUE(saved.timer.WriteProperties(bag));

  Harness loaded;
  ASSERT_TRUE(loaded.timer.ReadProperties(bag));
  EXPECT_EQ(loaded.timer.Interval(), 2.5f);
  loaded.loop.AdvanceBy(100 + 5'000);
  EXPECT_EQ(loaded.events.size(), 2u);
}

TEST(LongTimerPropertiesTest, BagFailuresAreReported) {
  {
    Harness h;
    FakeBag bag;
    bag.values = {{"interval", "5"}, {"enabled", "True"}};
    bag.failing = "Interval";
    EXPECT_FALSE(h.timer.ReadProperties(bag));
    EXPECT_FALSE(h.timer.Enabled());
  }
  {
    Harness h;
    FakeBag bag;
    bag.values = {{"interval", "5"}, {"enabled", "True"}};
    bag.failing = "Enabled";
    EXPECT_FALSE(h.timer.ReadProperties(bag));
    EXPECT_FALSE(h.timer.Enabled());
  }
  {
    Harness h;
    h.timer.SetEnabled(true);
    FakeBag bag;
    bag.failing = "Interval";
    EXPECT_FALSE(h.timer.WriteProperties(bag));
    EXPECT_TRUE(bag.writes.empty());  // stops at the first failure
  }
  {
    Harness h;
    h.timer.SetEnabled(true);
    FakeBag bag;
    bag.failing = "Enabled";
    EXPECT_FALSE(h.timer.WriteProperties(bag));
  }
}

}  // namespace
}  // namespace clickora::horolon
