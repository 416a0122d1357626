#include "autoclick/frm_mouse_pos.h"

#include <array>
#include <string>

#include "autoclick/texts.h"
#include "numbers/runtime_error.h"
#include "numbers/text_to_number.h"
#include "procedure_error.h"

namespace clickora::autoclick {
namespace {

struct Binding {
  std::string_view source;
  std::string_view event;
  void (FrmMousePos::*procedure)();
};

constexpr std::array kBindings{
    Binding{"Form", "Load", &FrmMousePos::Form_Load},
    Binding{"Form", "Resize", &FrmMousePos::Form_Resize},
    Binding{"Form", "Unload", &FrmMousePos::Form_Unload},
    Binding{"Timer10", "Timer", &FrmMousePos::Timer10_Timer},
    Binding{"Command4", "Click", &FrmMousePos::Command4_Click},
    Binding{"LongTimer1", "OnTimer", &FrmMousePos::LongTimer1_OnTimer},
    Binding{"LongTimer2", "OnTimer", &FrmMousePos::LongTimer2_OnTimer},
    Binding{"openna", "Click", &FrmMousePos::openna_Click},
    Binding{"Savena", "Click", &FrmMousePos::Savena_Click},
    Binding{"exitna", "Click", &FrmMousePos::exitna_Click},
    Binding{"Aboutja", "Click", &FrmMousePos::Aboutja_Click},
    Binding{kStopKeySource, "Pressed", &FrmMousePos::StopKey_Pressed},
    Binding{"PickKey", "Pressed", &FrmMousePos::PickKey_Pressed},
    Binding{"Text2", "DblClick", &FrmMousePos::Text2_DblClick},
    Binding{kPickSource, "Done", &FrmMousePos::Pick_Done},
};

}  // namespace

FrmMousePos::FrmMousePos(platform::Window& window, platform::Services& services)
    : window_(window),
      services_(services),
      text1_(window.GetTextBox("Text1")),
      text2_(window.GetTextBox("Text2")),
      text4_(window.GetTextBox("Text4")),
      text5_(window.GetTextBox("Text5")),
      text6_(window.GetTextBox("Text6")),
      text7_(window.GetTextBox("Text7")),
      text8_(window.GetTextBox("Text8")),
      option1_(window.GetOptionButton("Option1")),
      option2_(window.GetOptionButton("Option2")),
      command4_(window.GetCommandButton("Command4")),
      long_timer1_(window.GetEmbeddedControl("LongTimer1")),
      long_timer2_(window.GetEmbeddedControl("LongTimer2")),
      common_dialog1_(window.GetFileDialog("CommonDialog1")),
      timer10_(window.GetTimer("Timer10")) {}

std::vector<FrmMousePos::BoundEvent> FrmMousePos::BoundEvents() {
  std::vector<BoundEvent> events;
  for (const Binding& binding : kBindings) events.push_back({binding.source, binding.event});
  return events;
}

void FrmMousePos::OnFormEvent(std::string_view source, std::string_view event) {
  for (const Binding& binding : kBindings) {
    if (binding.source != source || binding.event != event) continue;
    try {
      (this->*binding.procedure)();
    } catch (const RuntimeError& error) {
      ReportError(error.what());
    } catch (const PropertyPutError& error) {
      ReportError(error.what());
    }
    return;
  }
}

void FrmMousePos::ReportError(std::string_view error_name) {
  std::string message = std::string(texts::kRunTimeErrorHead) + std::string(error_name);
  // A run is going exactly while Start is disabled. Stop it before the message box, whose modal
  // loop would otherwise go on delivering its ticks.
  if (!command4_.Enabled()) {
    for (platform::EmbeddedControl* timer : {&long_timer1_, &long_timer2_}) {
      const platform::PutResult result = timer->PutProperty(kLongTimerEnabledId, false);
      if (!result.ok) {
        message += "\n" + result.error;
      } else {
        NoteTimerEnabled(*timer, false);
      }
    }
    command4_.SetCaption(caption_after_error_.value_or(std::string(texts::kStartCaption)));
    command4_.SetEnabled(true);
    ReleaseStopKey();
    click_count_ = 1;  // the next run counts from its first click again
  }
  caption_after_error_.reset();
  services_.program.ShowMessage(message);
}

void FrmMousePos::PutInterval(platform::EmbeddedControl& timer, float seconds) {
  const platform::PutResult result = timer.PutProperty(kLongTimerIntervalId, seconds);
  if (!result.ok) throw PropertyPutError(result.error.empty() ? "Interval" : result.error);
}

void FrmMousePos::PutEnabled(platform::EmbeddedControl& timer, bool enabled) {
  const platform::PutResult result = timer.PutProperty(kLongTimerEnabledId, enabled);
  if (!result.ok) throw PropertyPutError(result.error.empty() ? "Enabled" : result.error);
  NoteTimerEnabled(timer, enabled);
}

void FrmMousePos::Form_Load() {
  services_.program.SetHelpFile(services_.program.ProgramFolder() +
                                std::string(texts::kHelpFileName));
  window_.SetCaption(texts::kWindowCaption);
  click_count_ = numbers::RoundToLong(numbers::LeadingNumber(text7_.Text()));
  // A failed put must not leave the window half started (no mode selected, Start unusable):
  // every step runs, and the first failure is reported afterwards.
  std::optional<PropertyPutError> failure;
  for (platform::EmbeddedControl* timer : {&long_timer1_, &long_timer2_}) {
    try {
      PutEnabled(*timer, false);
    } catch (const PropertyPutError& error) {
      if (!failure) failure = error;
    }
  }
  option1_.SetValue(true);
  option2_.SetEnabled(true);
  text6_.SetMaxLength(8);
  text8_.SetMaxLength(5);
  if (failure) throw *failure;
}

void FrmMousePos::Form_Resize() {
  FollowVisibility();
  if (window_.State() == platform::WindowState::kMinimized) return;
  window_.SetOuterHeightTwips(kOuterHeightTwips);
  window_.SetOuterWidthTwips(kOuterWidthTwips);
}

void FrmMousePos::Form_Unload() {
  ReleaseKeepAwake();  // the computer may sleep again, whatever the system does at the end
  services_.program.EndProgram(0);
}

void FrmMousePos::exitna_Click() {
  ReleaseKeepAwake();
  services_.program.EndProgram(0);
}

void FrmMousePos::Aboutja_Click() {
  services_.program.SendKeysNoWait(texts::kHelpKeys);
}

void FrmMousePos::FollowVisibility() {
  const bool seen = window_.CanBeSeen();
  if (seen == timer10_.Enabled()) return;
  if (seen) Timer10_Timer();
  timer10_.SetEnabled(seen);
}

namespace {

// Setting a text repaints the box; the same text again would repaint it for nothing.
void ShowText(platform::TextBox& box, const std::string& text) {
  if (box.Text() != text) box.SetText(text);
}

}  // namespace

void FrmMousePos::Timer10_Timer() {
  platform::Point point{0, 0};
  services_.pointer.GetCursorPos(point);  // a failed query leaves the point at 0, 0
  ShowText(text2_, std::string(texts::kReadoutX) + std::to_string(point.x) +
                       std::string(texts::kReadoutY) + std::to_string(point.y));
  ShowText(text1_, services_.time_of_day.NowText());
}

}  // namespace clickora::autoclick
