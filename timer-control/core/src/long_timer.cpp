#include "timer_control/long_timer.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "numbers/number_to_text.h"
#include "numbers/text_to_number.h"

namespace clickora::horolon {
namespace {

// The inner timer's nominal period, and the period used after a tick so late that correcting for
// it is not worth trying.
constexpr std::int32_t kNominalPeriodMs = 100;
constexpr std::int32_t kLateTickPeriodMs = 55;
// NOTE: the inner timer's period must stay positive: a period of 0 stops a window timer on some
// runtimes and a negative one is refused. Correcting a tick that came later than the whole
// present period asks for a moment already past; the nearest the grid can be kept is "as soon as
// possible", so the period is floored at 1 ms (the platform raises it to its own minimum). Such a
// short tick can never be followed by another one: it arrives with an elapsed time of 100 ms or
// less, or else so late that the late-tick period applies, so the floor never busy-spins.
constexpr std::int32_t kShortestPeriodMs = 1;

// double to float as IEEE arithmetic rounds it: magnitudes beyond the float range become the
// largest float or an infinity, instead of the undefined behaviour of a plain conversion.
float ToSingle(double value) noexcept {
  constexpr float kMax = std::numeric_limits<float>::max();
  // Half a unit in the last place of the largest float (its unit is 2^104); a tie goes to the
  // infinity, whose mantissa is the even one.
  constexpr double kHalfUlp = 0x1p103;
  if (std::fabs(value) > static_cast<double>(kMax)) {
    const float magnitude = std::fabs(value) >= static_cast<double>(kMax) + kHalfUlp
                                ? std::numeric_limits<float>::infinity()
                                : kMax;
    return value > 0 ? magnitude : -magnitude;
  }
  return static_cast<float>(value);
}

}  // namespace

struct LongTimer::State {
  platform::MillisecondClock& clock;
  std::function<void()> on_timer;
  std::unique_ptr<platform::IntervalTimer> timer1;

  float stored_interval = 0.0f;  // seconds, rounded to thousandths
  // Counted milliseconds towards the next event. Whole milliseconds are added and whole
  // milliseconds are taken off (see DueMs), so the count stays exact over years of ticks.
  double accumulated_ms = 0.0;
  // The counter at the previous tick. The first tick of an instance only records it.
  std::uint32_t last_tick_ms = 0;
  bool has_ticked = false;
  bool events_held = false;
  // Points at a flag on the stack of a running tick, so that the tick can tell whether the owner
  // destroyed this timer inside on_timer.
  bool* destroyed_during_tick = nullptr;

  // Lets a running tick see whether its owner was destroyed inside the handler; restores the
  // flag of an outer tick when the handler ran a nested one.
  class TickGuard {
   public:
    TickGuard(State& state, bool& destroyed)
        : state_(state), destroyed_(destroyed), outer_(state.destroyed_during_tick) {
      state_.destroyed_during_tick = &destroyed_;
    }
    TickGuard(const TickGuard&) = delete;
    TickGuard& operator=(const TickGuard&) = delete;
    ~TickGuard() {
      if (destroyed_) {
        if (outer_ != nullptr) *outer_ = true;
      } else {
        state_.destroyed_during_tick = outer_;
      }
    }

   private:
    State& state_;
    bool& destroyed_;
    bool* outer_;
  };

  State(platform::MillisecondClock& c, std::function<void()> handler)
      : clock(c), on_timer(std::move(handler)) {}

  // Interval in whole milliseconds: the setter rounds it to thousandths, and the float nearest
  // a thousandth (0.3f is 0.30000001...) stands for that thousandth.
  double DueMs() const { return std::round(static_cast<double>(stored_interval) * 1000.0); }

  void Tick();
  void CorrectPeriod(std::int64_t elapsed_ms);
};

void LongTimer::State::CorrectPeriod(std::int64_t elapsed_ms) {
  std::int64_t next = kNominalPeriodMs;
  if (elapsed_ms > kNominalPeriodMs) {
    const std::int64_t present = timer1->Interval();
    if (elapsed_ms - present < kLateTickPeriodMs) {
      // Shorten the next period by as much as this tick came late, so the ticks keep to their
      // grid; lengthen it by as much as it came early.
      next = present + (present - elapsed_ms);
    } else {
      next = kLateTickPeriodMs;
    }
  }
  if (next < kShortestPeriodMs) next = kShortestPeriodMs;
  if (next != timer1->Interval()) timer1->SetInterval(static_cast<std::int32_t>(next));
}

void LongTimer::State::Tick() {
  const std::uint32_t now_ms = clock.NowMs();
  if (!has_ticked) {
    has_ticked = true;
    last_tick_ms = now_ms;
    return;
  }
  // The counter wraps after 2^32 ms; the unsigned difference is the elapsed time across the wrap
  // (and across the moment the counter turns negative when read as signed).
  const std::int64_t elapsed_ms = static_cast<std::uint32_t>(now_ms - last_tick_ms);
  CorrectPeriod(elapsed_ms);
  // Recorded before the event, so that a tick nested in the handler (a modal loop) counts only
  // the time since this one.
  last_tick_ms = now_ms;

  if (!(stored_interval > 0.0f)) return;  // suspended: the count keeps its value
  accumulated_ms += static_cast<double>(elapsed_ms);
  const double due_ms = DueMs();
  if (accumulated_ms < due_ms || events_held) return;

  // Taken off before the event for the same nested ticks' sake, then set right afterwards: an
  // Interval set inside the handler is the one taken off.
  accumulated_ms -= due_ms;
  bool destroyed = false;
  {
    TickGuard guard(*this, destroyed);
    // A copy runs, so that the handler survives its owner destroying this timer.
    const std::function<void()> handler = on_timer;
    if (handler) handler();
  }
  if (destroyed) return;
  // An infinite Interval set inside the handler would leave a count of minus infinity that no
  // later Interval could ever reach; the one that fired is taken off instead.
  const double new_due_ms = DueMs();
  if (std::isfinite(new_due_ms)) accumulated_ms += due_ms - new_due_ms;
}

LongTimer::LongTimer(platform::MillisecondClock& clock, platform::TimerService& timers,
                     std::function<void()> on_timer)
    : state_(std::make_unique<State>(clock, std::move(on_timer))) {
  State* state = state_.get();
  state_->timer1 = timers.CreateTimer([state] { state->Tick(); });
  state_->timer1->SetEnabled(false);
  state_->timer1->SetInterval(kNominalPeriodMs);
}

LongTimer::~LongTimer() {
  if (state_->destroyed_during_tick != nullptr) *state_->destroyed_during_tick = true;
}

float LongTimer::Interval() const noexcept {
  return state_->stored_interval;
}

void LongTimer::SetInterval(float new_value) {
  state_->stored_interval = ToSingle(numbers::RoundToThousandths(new_value));
}

bool LongTimer::Enabled() const {
  return state_->timer1->Enabled();
}

void LongTimer::SetEnabled(bool enabled) {
  state_->timer1->SetEnabled(enabled);
}

bool LongTimer::ReadProperties(platform::PropertyBag& bag) {
  std::optional<std::string> value;
  if (!bag.Read("Interval", value)) return false;
  SetInterval(ToSingle(numbers::LeadingNumber(value.value_or("0"))));

  value.reset();
  if (!bag.Read("Enabled", value)) return false;
  // Case-sensitive on purpose: only the text this control writes turns the timer on.
  SetEnabled(value.has_value() && *value == "True");
  return true;
}

bool LongTimer::WriteProperties(platform::PropertyBag& bag) const {
  if (!bag.Write("Interval", numbers::FloatGeneralText(state_->stored_interval))) return false;
  if (Enabled() && !bag.Write("Enabled", "True")) return false;
  return true;
}

void LongTimer::SetEventsHeld(bool held) noexcept {
  state_->events_held = held;
}

bool LongTimer::EventsHeld() const noexcept {
  return state_->events_held;
}

double LongTimer::AccumulatedSeconds() const noexcept {
  return state_->accumulated_ms / 1000.0;
}

std::int32_t LongTimer::InnerPeriodMs() const {
  return state_->timer1->Interval();
}

}  // namespace clickora::horolon
