#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/texts.h"
#include "numbers/number_to_text.h"
#include "numbers/runtime_error.h"
#include "numbers/text_to_number.h"
#include "run_caption.h"

namespace clickora::autoclick {
namespace {

[[noreturn]] void Overflow() {
  throw RuntimeError(ErrorKind::kOverflow, ErrorName(ErrorKind::kOverflow));
}

// A period in seconds as the timer's 32-bit float; a value beyond its range is an overflow.
float ToSingle(double value) {
  if (!(std::fabs(value) <= FLT_MAX)) Overflow();
  return static_cast<float>(value);
}

// The timer holds its period to the thousandth of a second and counts nothing while it is 0 or
// less, so a period that rounds to no time at all would leave a run waiting for ever.
bool TimerWouldCount(float seconds) {
  return numbers::RoundToThousandths(seconds) > 0;
}

}  // namespace

void FrmMousePos::Command4_Click() {
  // Clicks that reach nothing would be counted in the caption all the same: such a run is
  // refused before anything changes. Where they reach only some windows the user is told once.
  switch (services_.pointer.Reach()) {
    case platform::ClickReach::kNowhere:
      services_.program.ShowMessage(texts::kNoClicksMessage);
      return;
    case platform::ClickReach::kX11WindowsOnly:
      if (!reach_told_) services_.program.ShowMessage(texts::kX11OnlyNotice);
      reach_told_ = true;
      break;
    case platform::ClickReach::kEverywhere:
      // The desktop's own question comes at the first click: the user learns first what for.
      if (!reach_told_ && services_.pointer.AsksConsent()) {
        services_.program.ShowMessage(texts::kConsentNotice);
      }
      reach_told_ = true;
      break;
  }
  // A refused or failed Start puts back exactly what was there: the counter and the caption
  // (after a finished run, the finished caption).
  const std::string caption_before = command4_.Caption();
  command4_.SetEnabled(false);
  command4_.SetCaption(texts::kStartedCaption);
  const std::string counter_text = text7_.Text();
  text7_.SetText("0");
  try {
    const double minutes = numbers::LeadingNumber(text8_.Text());
    if (minutes > kLongestPeriodMinutes) {
      services_.program.ShowMessage(texts::kPeriodTooLongMessage);
      RestoreStart(counter_text, caption_before);
      return;
    }
    // Zero or less (a very large negative period among them) is refused before any conversion,
    // so it reads as the refusal it is rather than as an overflow of the seconds.
    if (!(minutes > 0) || !TimerWouldCount(ToSingle(minutes * 60))) {
      services_.program.ShowMessage(texts::kPeriodTooShortMessage);
      RestoreStart(counter_text, caption_before);
      return;
    }
    const float seconds = ToSingle(minutes * 60);
    // Both timers get the period, whichever mode is chosen.
    period_seconds_ = seconds;
    PutInterval(long_timer1_, seconds);
    PutInterval(long_timer2_, seconds);
    if (option1_.Value()) Click();
    if (option2_.Value()) dbClick();
  } catch (...) {
    text7_.SetText(counter_text);
    caption_after_error_ = caption_before;
    throw;  // reported by the dispatch, which also stops the timers and gives Start back
  }
}

void FrmMousePos::RestoreStart(const std::string& counter_text, const std::string& caption) {
  text7_.SetText(counter_text);
  command4_.SetCaption(caption);
  command4_.SetEnabled(true);
  ReleaseStopKey();
}

void FrmMousePos::Click() {
  Arm(ClickMode::kSingle);
}

void FrmMousePos::dbClick() {
  Arm(ClickMode::kDouble);
}

void FrmMousePos::Arm(ClickMode mode) {
  click_target_ = numbers::LeadingNumber(text6_.Text());
  BeginLongRun(mode);
  PutEnabled(mode == ClickMode::kSingle ? long_timer1_ : long_timer2_, true);
  HoldStopKey();
}

void FrmMousePos::LongTimer1_OnTimer() {
  Tick(ClickMode::kSingle);
}

void FrmMousePos::LongTimer2_OnTimer() {
  Tick(ClickMode::kDouble);
}

void FrmMousePos::Tick(ClickMode mode) {
  // A click now would land on the pick surface and be taken as the pick: it is made when the
  // pick ends, at the point picked.
  if (picking_) {
    held_click_ = mode;
    return;
  }
  const bool single = mode == ClickMode::kSingle;
  platform::EmbeddedControl& own_timer = single ? long_timer1_ : long_timer2_;
  platform::EmbeddedControl& other_timer = single ? long_timer2_ : long_timer1_;
  PutEnabled(other_timer, false);
  forecasts_[single ? 0 : 1].Fired(NowMs(), PeriodMs());

  // X and Y are read at every click, so an edit during a run moves the next click. Text that is
  // not a number leaves the pointer where it is; the click happens all the same.
  const numbers::NumberFormat format = services_.program.UserNumberFormat();
  const std::string x_text = text4_.Text();
  std::optional<platform::Point> target;
  if (numbers::IsNumericText(x_text, format)) {
    const std::string y_text = text5_.Text();
    if (numbers::IsNumericText(y_text, format)) {
      const std::int32_t x = numbers::TextToLong(x_text, format);
      const std::int32_t y = numbers::TextToLong(y_text, format);
      target = platform::Point{x, y};
    }
  }
  if (const std::optional<SkipReason> skip = LandClick(target, single ? 1 : 2)) {
    SkipPeriod(*skip);
    return;
  }
  ++run_.clicks_made;

  if (click_count_ == std::numeric_limits<std::int32_t>::max()) Overflow();
  ++click_count_;
  text7_.SetText(numbers::NumberToText(click_count_));
  command4_.SetCaption(RunCaption(texts::kProgressHead, numbers::LeadingNumber(text7_.Text()) - 1));
  if (!(click_count_ > click_target_)) {
    ShowNextClickTip();
    return;
  }

  PutEnabled(own_timer, false);
  command4_.SetCaption(RunCaption(texts::kFinishedHead, numbers::LeadingNumber(text7_.Text()) - 1));
  command4_.SetEnabled(true);
  click_count_ = 1;
  ReleaseStopKey();
}

}  // namespace clickora::autoclick
