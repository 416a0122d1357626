#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::Point;
using testing::App;

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}
std::string Caption(std::string_view head, int clicks) {
  return std::string(head) + "  " + std::to_string(clicks) + "  " +
         std::string(texts::kCaptionTail);
}
std::string Skipped(int total, std::string_view reason, int count) {
  return std::string(texts::kSkippedHead) + std::to_string(total) +
         std::string(texts::kSkippedTail) + " (" + std::string(reason) + std::to_string(count) +
         ")";
}
// The time of day the tip names for the next click.
std::string NamedTime(const std::string& tip) {
  const std::size_t at = tip.find(texts::kNextClickHead);
  if (at == std::string::npos) return {};
  const std::size_t from = at + texts::kNextClickHead.size();
  return tip.substr(from, tip.find('\n', from) - from);
}

// A run of `clicks` clicks 0.6 s apart at (500, 500), pressed but not yet run.
void PressStart(App& app, int clicks, const char* period = "0.01") {
  app.Text("Text6").SetText(std::to_string(clicks));
  app.Text("Text8").SetText(period);
  app.window->PressButton("Command4");
}
bool RunUntilClicks(App& app, std::size_t button_events) {
  return app.backend.loop.RunUntil(
      [&] { return app.backend.pointer.ButtonFlags().size() >= button_events; }, 600'000);
}

// The computer is kept awake from Start to every end of the run, with one release per hold and
// nothing held or released by a Start that is refused or fails before the run is armed.
TEST(LongRun, KeptAwakeFromStartToEveryEnd) {
  const struct {
    const char* name;
    const char* period;
    const char* x;
    std::function<void(App&)> end;  // after the first click, if the run got that far
    int holds;
    bool ended;  // the program ended
  } cases[] = {
      {"finished", "0.01", "500", [](App& app) { ASSERT_TRUE(RunUntilClicks(app, 4)); }, 1, false},
      {"stopped by F6", "0.01", "500", [](App& app) { app.backend.stop_key.Press(); }, 1, false},
      {"run-time error", "0.01", "1e10", nullptr, 1, false},
      {"window closed", "0.01", "500", [](App& app) { app.window->CloseByUser(); }, 1, true},
      {"Exit", "0.01", "500", [](App& app) { app.window->ChooseMenu("exitna"); }, 1, true},
      {"period too long", "40000", "500", nullptr, 0, false},
      {"period of zero", "0", "500", nullptr, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    EXPECT_FALSE(app.backend.keep_awake.Held());
    app.Text("Text4").SetText(c.x);
    PressStart(app, 2, c.period);
    if (c.holds > 0) {
      EXPECT_TRUE(app.backend.keep_awake.Held());
      app.backend.loop.RunUntil(
          [&] { return !app.backend.pointer.ButtonFlags().empty() || app.Command4().Enabled(); },
          60'000);
    }
    if (c.end) c.end(app);
    app.backend.loop.AdvanceBy(10'000);
    EXPECT_FALSE(app.backend.keep_awake.Held());
    EXPECT_EQ(app.backend.keep_awake.Holds(), c.holds);
    EXPECT_EQ(app.backend.keep_awake.Releases(), c.holds);
    EXPECT_EQ(app.backend.keep_awake.StrayReleases(), 0);
    EXPECT_EQ(app.backend.program.Ended(), c.ended);
  }
}

// A Start that fails at a put of the timer: before the run is armed nothing is held; when arming
// itself fails, what was held goes with the error.
TEST(LongRun, FailedStartReleasesWhatItHeld) {
  const struct {
    const char* name;
    platform::DispId failing;
    int holds;
  } cases[] = {{"Interval", kLongTimerIntervalId, 0}, {"Enabled", kLongTimerEnabledId, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app(testing::Timers::kRecording);
    app.Start();
    app.Recording("LongTimer1").FailPutsOf(c.failing, "Automation error");
    PressStart(app, 2);
    ASSERT_EQ(app.Messages().size(), 1u);
    EXPECT_TRUE(app.Command4().Enabled());
    EXPECT_FALSE(app.backend.keep_awake.Held());
    EXPECT_EQ(app.backend.keep_awake.Holds(), c.holds);
    EXPECT_EQ(app.backend.keep_awake.Releases(), c.holds);
    EXPECT_EQ(app.backend.keep_awake.StrayReleases(), 0);
  }
}

// The reason names the run: its period and how many clicks end it. A second run holds again.
TEST(LongRun, KeepAwakeReasonNamesTheRun) {
  App app;
  app.Start();
  PressStart(app, 2, "0.01");
  ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));
  PressStart(app, 5, "90");
  const std::vector<std::string> expected{"tapvane คลิกทุก 0.01 นาที จนครบ 2 ครั้ง",
                                          "tapvane คลิกทุก 90 นาที จนครบ 5 ครั้ง"};
  EXPECT_EQ(app.backend.keep_awake.Reasons(), expected);
  EXPECT_TRUE(Contains(app.Command4().ToolTipText(), texts::kKeptAwakeTip));
}

// Where nothing keeps the computer awake the run goes on; the user is told once, at the first
// such Start, and the tip says why during every run.
TEST(LongRun, NotKeptAwakeToldOnceAndTheRunGoesOn) {
  App app;
  app.backend.keep_awake.SetFails("no power service");
  app.Start();
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    PressStart(app, 2);
    EXPECT_EQ(app.Messages().size(), 1u);
    EXPECT_TRUE(Contains(app.Messages().front(), texts::kNotKeptAwakeMessage));
    EXPECT_TRUE(Contains(app.Messages().front(), "no power service"));
    EXPECT_TRUE(Contains(app.Command4().ToolTipText(),
                         std::string(texts::kNotKeptAwakeTipHead) + "no power service"));
    ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));
    EXPECT_EQ(app.Command4().Caption(), Caption(texts::kFinishedHead, 2));
  }
  EXPECT_EQ(app.backend.keep_awake.StrayReleases(), 0);
}

// A period whose click cannot land moves nothing, presses nothing and is not counted; the tip
// says why; once the cause goes the run goes on and ends after exactly N clicks made.
TEST(LongRun, APeriodWhoseClickCannotLandIsSkippedAndNotCounted) {
  using Fake = platform::fake::FakeBackend;
  const struct {
    const char* name;
    std::function<void(Fake&, bool)> cause;
    std::string now_line;
    std::string_view reason;
    bool move_tried;
  } cases[] = {
      {"locked", [](Fake& b, bool on) { b.session.SetLocked(on); }, std::string(texts::kLockedTip),
       texts::kSkippedLocked, false},
      {"administrator window at the point",
       [](Fake& b, bool on) {
         b.target_integrity.SetElevatedAt({500, 500}, on);
       },
       std::string(texts::kElevatedHead) + "500, 500" + std::string(texts::kElevatedTail),
       texts::kSkippedElevated, false},
      {"administrator window in front",
       [](Fake& b, bool on) { b.target_integrity.SetElevatedForeground(on); },
       std::string(texts::kElevatedInFront) + std::string(texts::kElevatedTail),
       texts::kSkippedElevated, false},
      {"move fails", [](Fake& b, bool on) { b.pointer.SetMoveFails(on); },
       std::string(texts::kMoveFailedHead) + "500, 500" + std::string(texts::kMoveFailedTail),
       texts::kSkippedMoveFailed, true},
      {"input refused",
       [](Fake& b, bool on) {
         b.pointer.SetEventsTaken(on ? std::optional<std::size_t>(0) : std::nullopt);
       },
       std::string(texts::kInputRefusedTip), texts::kSkippedInputRefused, true},
  };
  for (const auto& c : cases) {
    for (const bool double_click : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (double_click ? ", double" : ", single"));
      const std::size_t per_click = double_click ? 4 : 2;
      App app;
      app.Start();
      if (double_click) app.window->OptionNamed("Option2").SelectByUser();
      PressStart(app, 3);
      ASSERT_TRUE(RunUntilClicks(app, per_click));
      const std::size_t actions = app.backend.pointer.Log().size();
      const std::size_t moves = app.backend.pointer.Moves().size();

      c.cause(app.backend, true);
      app.backend.loop.AdvanceBy(1'300);  // two periods
      EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), per_click);
      EXPECT_EQ(app.backend.pointer.Moves().size(), moves + (c.move_tried ? 2 : 0));
      if (!c.move_tried) {
        EXPECT_EQ(app.backend.pointer.Log().size(), actions);
      }
      EXPECT_EQ(app.Command4().Caption(), Caption(texts::kProgressHead, 1));
      EXPECT_EQ(app.Text("Text7").Text(), "2");
      EXPECT_EQ(app.form->ClickCount(), 2);
      const std::string tip = app.Command4().ToolTipText();
      EXPECT_TRUE(Contains(tip, "\n" + c.now_line + "\n")) << tip;
      EXPECT_TRUE(Contains(tip, Skipped(2, c.reason, 2))) << tip;

      c.cause(app.backend, false);
      ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));
      EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 3 * per_click);
      EXPECT_EQ(app.Command4().Caption(), Caption(texts::kFinishedHead, 3));
      EXPECT_EQ(app.Text("Text7").Text(), "4");
      EXPECT_EQ(app.Command4().ToolTipText(),
                std::string(texts::kSummaryHead) + "3 " + std::string(texts::kCaptionTail) +
                    std::string(texts::kSummarySeparator) + Skipped(2, c.reason, 2));
    }
  }
}

// A point over an administrator's window is told at every Start, once; its periods are skipped,
// never told again by a message. A point that is no number is not asked about at Start.
TEST(LongRun, AdministratorWindowToldOnceARun) {
  App app;
  app.Start();
  app.backend.target_integrity.SetElevatedAt({500, 500}, true);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    PressStart(app, 2);
    app.backend.loop.AdvanceBy(3'000);  // five periods, all skipped
    ASSERT_EQ(app.Messages().size(), static_cast<std::size_t>(run));
    EXPECT_EQ(app.Messages().back(), std::string(texts::kElevatedHead) + "500, 500" +
                                         std::string(texts::kElevatedTail) + "\n\n" +
                                         std::string(texts::kElevatedMessageAdvice));
    EXPECT_TRUE(app.backend.pointer.Log().empty());
    EXPECT_TRUE(app.backend.stop_key.Press());
    EXPECT_EQ(app.Command4().Caption(), Caption(texts::kStoppedHead, 0));
  }
  app.Text("Text4").SetText("left");
  PressStart(app, 1);
  EXPECT_EQ(app.Messages().size(), 2u);
}

// The sleeps of the computer during a run are counted in the tip and the summary; those before
// the run are not.
TEST(LongRun, SleepsDuringTheRunAreCounted) {
  App app;
  app.Start();
  app.backend.session.Wake();
  PressStart(app, 3);
  ASSERT_TRUE(RunUntilClicks(app, 2));
  app.backend.session.Wake();
  app.backend.session.Wake();
  ASSERT_TRUE(RunUntilClicks(app, 4));
  const std::string slept = std::string(texts::kSleptHead) + "2" + std::string(texts::kSleptTail);
  EXPECT_TRUE(Contains(app.Command4().ToolTipText(), "\n" + slept)) << app.Command4().ToolTipText();
  ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));
  EXPECT_TRUE(Contains(
      app.Command4().ToolTipText(),
      std::string(texts::kNothingSkipped) + std::string(texts::kSummarySeparator) + slept));
}

// The tip's next click is when the click really comes: after the period, and at the next inner
// tick of the control while it still has time to catch up (a pause since the last run, a sleep),
// not a period later. Checked at Start and after every click.
TEST(LongRun, NextClickTimeIsWhenTheClickComes) {
  App app;
  app.Start();
  app.backend.time_of_day.FollowClock(app.backend.loop);
  std::vector<std::string> named;  // at Start and after each click but the last
  std::vector<std::string> came;   // at each click
  const auto run = [&](int clicks, const char* period, const std::function<void(int)>& after) {
    PressStart(app, clicks, period);
    named.push_back(NamedTime(app.Command4().ToolTipText()));
    for (int click = 1; click <= clicks; ++click) {
      const std::size_t seen = app.backend.pointer.ButtonFlags().size();
      ASSERT_TRUE(app.backend.loop.RunUntil(
          [&] { return app.backend.pointer.ButtonFlags().size() > seen; }, 10'000'000));
      came.push_back(app.backend.time_of_day.NowText());
      if (click < clicks) named.push_back(NamedTime(app.Command4().ToolTipText()));
      if (after) after(click);
    }
  };
  run(2, "1", nullptr);
  app.backend.loop.AdvanceBy(150'000);  // a pause of two and a half periods
  run(4, "1", nullptr);                 // two clicks at once, then a minute apart
  ASSERT_EQ(came.size(), 6u);
  EXPECT_EQ(came[2], came[3]);
  EXPECT_EQ(named, came);

  // A sleep of ten minutes after the first click: every timer stands still until the computer
  // wakes, and the clicks owed come at once. Only the time named before the sleep is wrong.
  named.clear();
  came.clear();
  std::uint64_t wake_at = 0;
  app.backend.loop.SetLateness([&]() -> std::uint32_t {
    const std::uint64_t now = app.backend.loop.Now();
    return now < wake_at ? static_cast<std::uint32_t>(wake_at - now) : 0;
  });
  run(3, "2", [&](int click) {
    if (click == 1) wake_at = app.backend.loop.Now() + 600'000;
  });
  ASSERT_EQ(came.size(), 3u);
  EXPECT_NE(named[1], came[1]);
  EXPECT_EQ(named[2], came[2]);
  EXPECT_EQ(came[1], came[2]);
}

// The millisecond counter wraps after 49.7 days; the run's own time does not.
TEST(LongRun, UnwrappedClockCrossesTheWrap) {
  UnwrappedClock clock;
  EXPECT_EQ(clock.Now(4'294'967'000u), 4'294'967'000);
  EXPECT_EQ(clock.Now(200u), 4'294'967'496);
  EXPECT_EQ(clock.Now(4'294'967'000u), 8'589'934'296);
}

}  // namespace
}  // namespace clickora::autoclick
