// What a long run tells the user about the computer, and when the control's next event comes.
#include "autoclick/long_run.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "autoclick/texts.h"
#include "numbers/number_to_text.h"

namespace clickora::autoclick {
namespace {

std::string Count(std::int64_t value) {
  return numbers::NumberToText(static_cast<double>(value));
}

std::string PointText(const platform::Point& point) {
  return std::to_string(point.x) + ", " + std::to_string(point.y);
}

// Why the latest period passed without a click, in the present tense.
std::string SkipNow(const RunRecord& run) {
  switch (*run.last_skip) {
    case SkipReason::kLocked:
      return std::string(texts::kLockedTip);
    case SkipReason::kElevated:
      return (run.skip_in_front ? std::string(texts::kElevatedInFront)
                                : std::string(texts::kElevatedHead) + PointText(run.skip_point)) +
             std::string(texts::kElevatedTail);
    case SkipReason::kMoveFailed:
      return std::string(texts::kMoveFailedHead) + PointText(run.skip_point) +
             std::string(texts::kMoveFailedTail);
    case SkipReason::kInputRefused:
      return std::string(texts::kInputRefusedTip);
  }
  return {};
}

// "skipped so far N periods (screen locked a, ...)", only the reasons that happened.
std::string Skipped(const RunRecord& run) {
  constexpr std::array<std::string_view, kSkipReasonCount> kNames{
      texts::kSkippedLocked, texts::kSkippedElevated, texts::kSkippedMoveFailed,
      texts::kSkippedInputRefused};
  std::string reasons;
  for (std::size_t i = 0; i < kSkipReasonCount; ++i) {
    if (run.skipped[i] == 0) continue;
    if (!reasons.empty()) reasons += ", ";
    reasons += std::string(kNames[i]) + Count(run.skipped[i]);
  }
  return std::string(texts::kSkippedHead) + Count(run.SkippedTotal()) +
         std::string(texts::kSkippedTail) + " (" + reasons + ")";
}

std::string Slept(const RunRecord& run) {
  return std::string(texts::kSleptHead) + Count(run.sleeps) + std::string(texts::kSleptTail);
}

// The whole inner ticks it takes to count ms (none for nothing left to count).
std::int64_t TicksCeil(std::int64_t ms) {
  if (ms <= 0) return 0;
  return (ms + TimerForecast::kInnerTickMs - 1) / TimerForecast::kInnerTickMs;
}

}  // namespace

std::int64_t RunRecord::SkippedTotal() const {
  return std::accumulate(skipped.begin(), skipped.end(), std::int64_t{0});
}

std::string RunStateLines(const RunRecord& run) {
  std::string lines = "\n";
  lines += run.kept_awake ? std::string(texts::kKeptAwakeTip)
                          : std::string(texts::kNotKeptAwakeTipHead) + run.awake_failure;
  if (run.last_skip) lines += "\n" + SkipNow(run);
  if (run.SkippedTotal() > 0) lines += "\n" + Skipped(run);
  if (run.sleeps > 0) lines += "\n" + Slept(run);
  return lines;
}

std::string RunSummary(const RunRecord& run) {
  std::string summary = std::string(texts::kSummaryHead) + Count(run.clicks_made) + " " +
                        std::string(texts::kCaptionTail) + std::string(texts::kSummarySeparator);
  summary += run.SkippedTotal() > 0 ? Skipped(run) : std::string(texts::kNothingSkipped);
  if (run.sleeps > 0) summary += std::string(texts::kSummarySeparator) + Slept(run);
  return summary;
}

void TimerForecast::Enabled(bool enabled, std::int64_t now_ms) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  const std::int64_t first_tick = now_ms + kInnerTickMs;
  if (enabled) {
    if (!counting_) {
      counting_ = true;
      fresh_ = true;
      counted_ms_ = 0;
    } else {
      // The first tick after the pause counts the whole time since the last tick before it.
      counted_ms_ += first_tick - tick_ms_;
      fresh_ = false;
    }
    tick_ms_ = first_tick;
    return;
  }
  // Disabled before its first inner tick ever came: the control has counted nothing yet.
  if (fresh_ && now_ms < tick_ms_) counting_ = false;
  fresh_ = false;
}

void TimerForecast::Fired(std::int64_t now_ms, std::int64_t period_ms) {
  counted_ms_ += now_ms - tick_ms_ - period_ms;
  tick_ms_ = now_ms;
  counting_ = true;
  fresh_ = false;
}

std::int64_t TimerForecast::MsUntilNext(std::int64_t now_ms, std::int64_t period_ms) const {
  if (!counting_) return kInnerTickMs + TicksCeil(period_ms) * kInnerTickMs;
  // The inner ticks from tick_ms_ on, on its grid; the first of them still to come.
  std::int64_t first = 0;
  if (now_ms < tick_ms_) {
    first = fresh_ ? 1 : 0;  // a fresh control's first tick only starts the count
  } else {
    first = (now_ms - tick_ms_) / kInnerTickMs + 1;
  }
  const std::int64_t ticks = std::max(first, TicksCeil(period_ms - counted_ms_));
  return tick_ms_ + ticks * kInnerTickMs - now_ms;
}

std::int64_t UnwrappedClock::Now(std::uint32_t counter_ms) {
  if (!started_) {
    started_ = true;
    now_ = counter_ms;
  } else {
    now_ += static_cast<std::uint32_t>(counter_ms - last_);
  }
  last_ = counter_ms;
  return now_;
}

}  // namespace clickora::autoclick
