// The stop key: F6 ends a click run at once from any window. It is held only while a run is
// going, so that other programs have F6 the rest of the time.
#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/texts.h"
#include "numbers/number_to_text.h"
#include "run_caption.h"

namespace clickora::autoclick {
namespace {

std::string UnavailableTip(const platform::HotKeyResult& result) {
  std::string tip(texts::kStopKeyUnavailableHead);
  if (result.failure == platform::HotKeyResult::Failure::kTaken) {
    tip += texts::kStopKeyTakenReason;
  } else {
    tip += texts::kStopKeyMissingReason;
    if (!result.detail.empty()) tip += " (" + result.detail + ")";
  }
  return tip;
}

}  // namespace

void FrmMousePos::HoldStopKey() {
  // The key arrives between other events, like a click of the window's own controls.
  const platform::HotKeyResult held =
      services_.stop_key.Hold(texts::kStopKeys, [this] { OnFormEvent(kStopKeySource, "Pressed"); });
  if (!held.ok()) {
    stop_key_tip_ = UnavailableTip(held);
  } else {
    stop_key_tip_ = held.x11_focus_only ? texts::kStopKeyX11FocusOnlyTip : texts::kStopKeyTip;
  }
  ShowNextClickTip();
}

void FrmMousePos::ShowNextClickTip() {
  command4_.SetToolTipText(
      stop_key_tip_ + std::string(texts::kTipSeparator) + std::string(texts::kNextClickHead) +
      services_.time_of_day.TextAfterSeconds(SecondsToNextClick()) + RunStateTip());
}

void FrmMousePos::ReleaseStopKey() {
  services_.stop_key.Release();
  EndLongRun();
}

void FrmMousePos::StopKey_Pressed() {
  if (command4_.Enabled()) return;  // no run is going: a late press does nothing
  // No click may come after the key: both timers stop before anything else.
  PutEnabled(long_timer1_, false);
  PutEnabled(long_timer2_, false);
  text7_.SetText(numbers::NumberToText(click_count_));
  command4_.SetCaption(RunCaption(texts::kStoppedHead, static_cast<double>(click_count_) - 1));
  command4_.SetEnabled(true);
  click_count_ = 1;
  ReleaseStopKey();
}

}  // namespace clickora::autoclick
