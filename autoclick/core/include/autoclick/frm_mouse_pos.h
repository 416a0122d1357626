#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "autoclick/long_run.h"
#include "platform/form_runtime.h"
#include "platform/services.h"
#include "platform/window.h"
#include "timer_control/long_timer_identity.h"

namespace clickora::autoclick {

// The LongTimer control's properties by dispatch identifier, as its type library fixes them.
inline constexpr platform::DispId kLongTimerIntervalId = horolon::identity::kIntervalDispId;
inline constexpr platform::DispId kLongTimerEnabledId = horolon::identity::kEnabledDispId;

// The longest period a run accepts: 24 days. The LongTimer's float accumulator stops counting a
// little beyond it.
inline constexpr double kLongestPeriodMinutes = 34560;

// The source of the stop key's event: the key that the program holds during a run, not a control
// of the design.
inline constexpr std::string_view kStopKeySource = "StopKey";
// The source of the event that ends a pick of the point ("Done"): the pick surface over the
// screen, not a control of the design.
inline constexpr std::string_view kPickSource = "Pick";

// The window's fixed outer size.
inline constexpr int kOuterWidthTwips = 3720;
inline constexpr int kOuterHeightTwips = 4990;

// What the design names of the window are:
//   Text2     the pointer's position read-out      Text1     the time of day read-out
//   Text4     X of the point to click              Text5     Y of the point to click
//   Text6     the number of clicks of a run        Text8     the period between clicks, minutes
//   Text7     the click counter (hidden)           Command4  Start (progress while a run goes)
//   Option1   single click                         Option2   double click
//   LongTimer1 the timer of single-click runs      LongTimer2 the timer of double-click runs
//   Timer10   the read-out's 1 ms window timer     CommonDialog1 the Open and Save file dialog
//   menu file: openna Open, Savena Save, exitna Exit; menu regis: Aboutja Manual (F1)
//   PickKey   the window's key (F8) that picks the point to click, as a double-click on Text2
//   Label1..9 captions: Label6 and Label9 of the read-outs, Label3 "X:", Label4 "Y:", Label2 of
//             the clicks, Label5 and Label1 of the period, Label7 and Label8 the limits;
//   Label10   the white lower panel
//
// The logic of the program's one window: its event procedures, named after the control and the
// event, and the form state beside the controls. The fields' texts are the settings; every
// procedure reads a field when it needs the value and writes results back as text.
//
// Errors: a run-time error (an overflow, a type mismatch) or a failed property put ends the
// procedure it happens in; the dispatch then stops a click run in progress (both timers
// disabled, Start enabled with the caption "Start", the counter back to 1) and reports the error
// in a message box. The program and the fields stay as they are.
class FrmMousePos final : public platform::FormEventSink {
 public:
  // The window must not go while a pick is going: the pick calls back into it at its end.
  FrmMousePos(platform::Window& window, platform::Services& services);

  // Runs the procedure bound to (source, event); events without one are ignored.
  void OnFormEvent(std::string_view source, std::string_view event) override;

  // Every (source, event) that has a procedure, in the order they are looked up.
  struct BoundEvent {
    std::string_view source;
    std::string_view event;
  };
  static std::vector<BoundEvent> BoundEvents();

  // Start-up, read-out, window size, help and exit.
  void Form_Load();
  void Form_Resize();
  void Form_Unload();
  void Timer10_Timer();
  void Aboutja_Click();
  void exitna_Click();
  // The click run.
  void Command4_Click();
  void LongTimer1_OnTimer();
  void LongTimer2_OnTimer();
  // The settings file.
  void openna_Click();
  void Savena_Click();
  // The stop key, F6 from any window, held while a run is going.
  void StopKey_Pressed();
  // Picking the point with the mouse: F8 in the window, or a double-click on the read-out.
  void PickKey_Pressed();
  void Text2_DblClick();
  // The pick has ended (picked, cancelled or refused).
  void Pick_Done();

  std::int32_t ClickCount() const noexcept { return click_count_; }
  double ClickTarget() const noexcept { return click_target_; }
  // The last value read from a settings file; empty until one has been read.
  const std::optional<std::string>& SettingsValue() const noexcept { return settings_value_; }

 private:
  enum class ClickMode { kSingle, kDouble };

  void Click();
  void dbClick();
  void Arm(ClickMode mode);
  void Tick(ClickMode mode);
  // Puts back Start as it was before it was pressed, after a refused or failed Start.
  void RestoreStart(const std::string& counter_text, const std::string& caption);
  void PutInterval(platform::EmbeddedControl& timer, float seconds);
  void PutEnabled(platform::EmbeddedControl& timer, bool enabled);
  void ReportError(std::string_view error_name);
  // The stop key for the run just armed, and the tip that says whether it works and when the
  // next click comes.
  void HoldStopKey();
  void ShowNextClickTip();
  // A run has ended, however: the key goes back to other programs and the tip keeps the run's
  // summary.
  void ReleaseStopKey();
  // A pick of the point for Text4 and Text5; at most one at a time.
  void BeginPick();
  // The read-out works only while the window can be seen: hidden, Timer10 sleeps; seen again,
  // both fields show the present values at once, before the window is painted again.
  void FollowVisibility();
  // Long runs: the computer kept awake while a run goes, and clicks made only where they land.
  void BeginLongRun(ClickMode mode);
  void EndLongRun();
  void ReleaseKeepAwake();
  std::string KeepAwakeReason();
  std::string RunStateTip();
  double SecondsToNextClick();
  // Moves and clicks; when the click cannot land, does neither and says why.
  std::optional<SkipReason> LandClick(std::optional<platform::Point> target, int presses);
  void SkipPeriod(SkipReason reason);
  void NoteTimerEnabled(const platform::EmbeddedControl& timer, bool enabled);
  std::int64_t NowMs();
  std::int64_t PeriodMs() const;

  platform::Window& window_;
  platform::Services& services_;
  platform::TextBox& text1_;
  platform::TextBox& text2_;
  platform::TextBox& text4_;
  platform::TextBox& text5_;
  platform::TextBox& text6_;
  platform::TextBox& text7_;
  platform::TextBox& text8_;
  platform::OptionButton& option1_;
  platform::OptionButton& option2_;
  platform::CommandButton& command4_;
  platform::EmbeddedControl& long_timer1_;
  platform::EmbeddedControl& long_timer2_;
  platform::FileDialog& common_dialog1_;
  platform::IntervalTimer& timer10_;

  std::int32_t click_count_ = 0;
  double click_target_ = 0;
  float period_seconds_ = 0;  // of the run going
  std::string stop_key_tip_;  // the stop key's part of the tip during a run
  bool reach_told_ = false;   // the user knows that clicks reach only some windows
  bool picking_ = false;
  platform::PickOutcome pick_outcome_;
  // A click of the run that came due while a pick was going: made when the pick ends.
  std::optional<ClickMode> held_click_;
  RunRecord run_;                           // of the run going, or of the latest one
  std::array<TimerForecast, 2> forecasts_;  // LongTimer1, LongTimer2
  UnwrappedClock run_clock_;
  bool keep_awake_told_ = false;  // the user knows that the computer cannot be kept awake
  std::optional<std::string> settings_value_;
  // What Start shows again after an error: the caption from before Start when Start itself
  // failed, "Start" when a run failed.
  std::optional<std::string> caption_after_error_;
};

}  // namespace clickora::autoclick
