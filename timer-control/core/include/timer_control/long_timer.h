#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/clock.h"
#include "platform/interval_timer.h"
#include "platform/property_bag.h"

namespace clickora::horolon {

// A timer whose period, in seconds, may run to days. A short inner timer (Timer1, nominally
// 100 ms) ticks on the owning thread; every tick measures the real time since the previous one
// against the millisecond clock, adds it to an accumulator and raises OnTimer when the
// accumulator reaches Interval, keeping the remainder, so lateness of single ticks never adds up
// into drift. Each tick also corrects the inner timer's next period for the tick's lateness.
class LongTimer {
 public:
  // on_timer is raised synchronously inside a tick; it may set Interval or Enabled, or both. It
  // may also run a nested event loop, and its owner may even destroy this timer inside it (the
  // tick then ends at once), though an ActiveX host keeps the object alive across the event.
  LongTimer(platform::MillisecondClock& clock, platform::TimerService& timers,
            std::function<void()> on_timer);
  LongTimer(const LongTimer&) = delete;
  LongTimer& operator=(const LongTimer&) = delete;
  ~LongTimer();

  // Seconds, rounded to thousandths by the setter. 0 or less suspends counting.
  float Interval() const noexcept;
  void SetInterval(float new_value);

  // Starts or stops the inner timer; resets nothing.
  bool Enabled() const;
  void SetEnabled(bool enabled);

  // While held (a container freezes a control's events while it loads a form), ticks go on
  // counting but raise nothing and take nothing off, so an event that falls due is owed, not
  // lost: after release the backlog is paid one event per tick, as after a pause.
  void SetEventsHeld(bool held) noexcept;
  bool EventsHeld() const noexcept;

  // Loading and saving with the host's form: "Interval" as text, "Enabled" as the text "True"
  // (written only when enabled). Return false at the first property-bag failure.
  bool ReadProperties(platform::PropertyBag& bag);
  bool WriteProperties(platform::PropertyBag& bag) const;

  // Read-outs for diagnostics and tests.
  double AccumulatedSeconds() const noexcept;
  std::int32_t InnerPeriodMs() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace clickora::horolon
