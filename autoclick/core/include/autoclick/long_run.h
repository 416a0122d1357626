#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/program_services.h"

namespace clickora::autoclick {

// Why a due period passed without a click. Such a period moves nothing, presses nothing and is
// not counted.
enum class SkipReason : std::uint8_t {
  kLocked,        // the session is locked, or another desktop has the input
  kElevated,      // the target runs with more rights than the program: its clicks are dropped
  kMoveFailed,    // the pointer could not be moved to the point
  kInputRefused,  // the system took in fewer of the click's events than were sent
};
inline constexpr std::size_t kSkipReasonCount = 4;

// What a run has met on its way, for the Start button's tip during the run and its summary after.
struct RunRecord {
  bool going = false;
  int timer = 0;  // 0: LongTimer1 (single click), 1: LongTimer2 (double click)
  bool kept_awake = false;
  std::string awake_failure;  // the system's words when the computer could not be kept awake
  std::int64_t clicks_made = 0;
  std::array<std::int64_t, kSkipReasonCount> skipped{};
  std::optional<SkipReason> last_skip;  // of the latest due period, if it was skipped
  platform::Point skip_point;           // where that period's click would have gone
  bool skip_in_front = false;           // kElevated: the window in front, not the one at the point
  std::uint32_t wakes_at_start = 0;
  std::uint32_t sleeps = 0;

  std::int64_t SkippedTotal() const;
};

// The tip's lines about the computer during a run, after the stop key's line: kept awake or
// not, why the latest period was skipped, the periods skipped so far and the sleeps.
std::string RunStateLines(const RunRecord& run);
// The one line the tip keeps after a run: clicks made, periods skipped and why, sleeps.
std::string RunSummary(const RunRecord& run);

// When a LongTimer control will next raise OnTimer, followed from outside: the window never reads
// the control back, but it knows what the control counts. The control counts real time from its
// first inner tick after it was first enabled, pauses while disabled included (they are counted
// at its next tick), and takes one period off at each event; whenever what it has counted reaches
// the period, the event comes at the next inner tick. So after a pause or a sleep the next click
// is about a tenth of a second away, not a period.
class TimerForecast {
 public:
  // The control's inner tick, about a tenth of a second.
  static constexpr std::int64_t kInnerTickMs = 100;

  // now_ms: a millisecond time that never wraps (see UnwrappedClock).
  void Enabled(bool enabled, std::int64_t now_ms);
  void Fired(std::int64_t now_ms, std::int64_t period_ms);
  // Milliseconds from now to the next event of the enabled control, with this period.
  std::int64_t MsUntilNext(std::int64_t now_ms, std::int64_t period_ms) const;

 private:
  bool enabled_ = false;
  bool counting_ = false;  // has had (or is about to have) its first inner tick
  bool fresh_ = false;     // its first inner tick is still to come and only starts the count
  // An inner tick of the control (past, or the first one to come) and the count at that tick.
  std::int64_t tick_ms_ = 0;
  std::int64_t counted_ms_ = 0;
};

// The platform's 32-bit millisecond counter as a time that does not wrap after 49.7 days, as
// long as it is read at least once in that span.
class UnwrappedClock {
 public:
  std::int64_t Now(std::uint32_t counter_ms);

 private:
  bool started_ = false;
  std::uint32_t last_ = 0;
  std::int64_t now_ = 0;
};

}  // namespace clickora::autoclick
