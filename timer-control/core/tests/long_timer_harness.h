#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/fake/fake_event_loop.h"
#include "timer_control/long_timer.h"

namespace clickora::horolon::testing {

// The fake loop's clock, remembering the loop time of its last two readings. The timer reads the
// clock once per tick, so inside OnTimer these are the present tick and the one before it.
class RecordingClock final : public platform::MillisecondClock {
 public:
  explicit RecordingClock(platform::fake::FakeEventLoop& loop) : loop_(loop) {}
  std::uint32_t NowMs() override {
    if (readings_ == 0) first_ = loop_.Now();
    previous_ = last_;
    last_ = loop_.Now();
    ++readings_;
    return loop_.NowMs();
  }
  std::uint64_t first() const { return first_; }
  std::uint64_t last() const { return last_; }
  std::uint64_t previous() const { return previous_; }
  std::uint64_t readings() const { return readings_; }

 private:
  platform::fake::FakeEventLoop& loop_;
  std::uint64_t first_ = 0;
  std::uint64_t last_ = 0;
  std::uint64_t previous_ = 0;
  std::uint64_t readings_ = 0;
};

struct Event {
  std::uint64_t at = 0;             // loop time of the tick that raised it
  std::uint64_t previous_tick = 0;  // loop time of the tick before
};

// A LongTimer on a fake loop, recording its events; handler runs inside OnTimer after recording.
struct Harness {
  explicit Harness(std::uint64_t start_ms = 10'000) : loop(start_ms) {}

  platform::fake::FakeEventLoop loop;
  RecordingClock clock{loop};
  std::vector<Event> events;
  std::function<void()> handler;
  LongTimer timer{clock, loop, [this] {
                    events.push_back({clock.last(), clock.previous()});
                    if (handler) handler();
                  }};
};

}  // namespace clickora::horolon::testing
