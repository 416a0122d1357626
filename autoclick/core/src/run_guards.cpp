// What guards a long run: the computer is kept awake from the arming of a run to its end, however
// it ends, and a click is made only where it can land. A period whose click cannot land moves
// nothing, presses nothing and is not counted, so a finished run has really made its clicks.
#include <array>
#include <cmath>
#include <span>
#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/texts.h"
#include "numbers/number_to_text.h"
#include "numbers/runtime_error.h"
#include "numbers/text_to_number.h"

namespace clickora::autoclick {
namespace {

std::string ElevatedText(const platform::Point& point) {
  return std::string(texts::kElevatedHead) + std::to_string(point.x) + ", " +
         std::to_string(point.y) + std::string(texts::kElevatedTail);
}

}  // namespace

std::int64_t FrmMousePos::NowMs() {
  return run_clock_.Now(services_.clock.NowMs());
}

std::int64_t FrmMousePos::PeriodMs() const {
  // The control keeps its period to the thousandth of a second, and counts whole milliseconds.
  return std::llround(numbers::RoundToThousandths(period_seconds_) * 1000);
}

void FrmMousePos::NoteTimerEnabled(const platform::EmbeddedControl& timer, bool enabled) {
  forecasts_[&timer == &long_timer1_ ? 0 : 1].Enabled(enabled, NowMs());
}

std::string FrmMousePos::KeepAwakeReason() {
  // The number of clicks the run will make: at least one, whole ones only.
  const double clicks = std::max(1.0, std::floor(click_target_));
  return std::string(texts::kKeepAwakeReasonHead) +
         numbers::NumberToText(numbers::LeadingNumber(text8_.Text())) +
         std::string(texts::kKeepAwakeReasonMiddle) + numbers::NumberToText(clicks) + " " +
         std::string(texts::kCaptionTail);
}

void FrmMousePos::BeginLongRun(ClickMode mode) {
  run_ = RunRecord{};
  run_.going = true;
  run_.timer = mode == ClickMode::kSingle ? 0 : 1;
  run_.wakes_at_start = services_.session.Wakes();
  const platform::KeepAwakeResult awake = services_.keep_awake.Hold(KeepAwakeReason());
  run_.kept_awake = awake.held;
  // Both messages come before the run's timer is enabled, so no click waits behind them.
  if (!awake.held) {
    run_.awake_failure = awake.detail;
    if (!keep_awake_told_) {
      keep_awake_told_ = true;
      std::string message(texts::kNotKeptAwakeMessage);
      if (!awake.detail.empty()) message += "\n\n" + awake.detail;
      services_.program.ShowMessage(message);
    }
  }
  // The user learns at Start, once a run, that the typed point cannot be clicked. A point that is
  // no number, or out of range, is the run's own business at its first click.
  const numbers::NumberFormat format = services_.program.UserNumberFormat();
  const std::string x_text = text4_.Text();
  const std::string y_text = text5_.Text();
  if (!numbers::IsNumericText(x_text, format) || !numbers::IsNumericText(y_text, format)) return;
  platform::Point point;
  try {
    point = {numbers::TextToLong(x_text, format), numbers::TextToLong(y_text, format)};
  } catch (const RuntimeError&) {
    return;
  }
  if (services_.target_integrity.AboveProgram(point) == platform::ElevatedTarget::kAtPoint) {
    services_.program.ShowMessage(ElevatedText(point) + "\n\n" +
                                  std::string(texts::kElevatedMessageAdvice));
  }
}

void FrmMousePos::ReleaseKeepAwake() {
  if (!run_.kept_awake) return;
  run_.kept_awake = false;
  services_.keep_awake.Release();
}

void FrmMousePos::EndLongRun() {
  if (!run_.going) return;  // a refused Start: nothing was held, the tip stays as it was
  run_.going = false;
  run_.sleeps = services_.session.Wakes() - run_.wakes_at_start;
  ReleaseKeepAwake();
  command4_.SetToolTipText(RunSummary(run_));
}

std::string FrmMousePos::RunStateTip() {
  run_.sleeps = services_.session.Wakes() - run_.wakes_at_start;
  return RunStateLines(run_);
}

double FrmMousePos::SecondsToNextClick() {
  const std::int64_t now = NowMs();
  return static_cast<double>(forecasts_[run_.timer].MsUntilNext(now, PeriodMs())) / 1000;
}

std::optional<SkipReason> FrmMousePos::LandClick(std::optional<platform::Point> target,
                                                 int presses) {
  run_.last_skip.reset();
  if (services_.session.InputLocked()) return SkipReason::kLocked;
  std::optional<platform::Point> where = target;
  if (platform::Point at; !where && services_.pointer.GetCursorPos(at)) where = at;
  run_.skip_point = where.value_or(platform::Point{});
  const platform::ElevatedTarget elevated = services_.target_integrity.AboveProgram(where);
  if (elevated != platform::ElevatedTarget::kNone) {
    run_.skip_in_front = elevated == platform::ElevatedTarget::kForeground;
    return SkipReason::kElevated;
  }
  if (target && !services_.pointer.SetCursorPos(*target)) return SkipReason::kMoveFailed;
  // One SendInput-like batch, so that the system says whether it took the whole click.
  static constexpr std::array<std::uint32_t, 4> kEvents{
      platform::kLeftButtonDown, platform::kLeftButtonUp, platform::kLeftButtonDown,
      platform::kLeftButtonUp};
  const std::span<const std::uint32_t> events(kEvents.data(),
                                              static_cast<std::size_t>(presses) * 2);
  const std::size_t taken = target ? services_.pointer.MouseEventsAt(*target, events)
                                   : services_.pointer.MouseEvents(events);
  if (taken < events.size()) return SkipReason::kInputRefused;
  return std::nullopt;
}

void FrmMousePos::SkipPeriod(SkipReason reason) {
  run_.last_skip = reason;
  ++run_.skipped[static_cast<std::size_t>(reason)];
  ShowNextClickTip();
}

}  // namespace clickora::autoclick
