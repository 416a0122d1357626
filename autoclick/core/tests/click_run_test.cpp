#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::Point;
using testing::App;
using testing::Timers;

std::string Progress(int clicks) {
  return std::string(texts::kProgressHead) + "  " + std::to_string(clicks) + "  " +
         std::string(texts::kCaptionTail);
}
std::string Finished(int clicks) {
  return std::string(texts::kFinishedHead) + "  " + std::to_string(clicks) + "  " +
         std::string(texts::kCaptionTail);
}
std::string ErrorMessage(const char* name) {
  return std::string(texts::kRunTimeErrorHead) + name;
}

// Where the pointer stood at each button event, in order.
std::vector<Point> ButtonPoints(const App& app) {
  std::vector<Point> points;
  for (const platform::fake::PointerAction& action : app.backend.pointer.Log()) {
    if (action.kind == platform::fake::PointerAction::Kind::kButton) points.push_back(action.point);
  }
  return points;
}

// Checks the state after a run that ended by itself or was stopped: nothing armed, Start back.
void ExpectIdle(App& app) {
  EXPECT_TRUE(app.Command4().Enabled());
  EXPECT_FALSE(app.LongTimer("LongTimer1").Enabled());
  EXPECT_FALSE(app.LongTimer("LongTimer2").Enabled());
  EXPECT_EQ(app.form->ClickCount(), 1);
  EXPECT_FALSE(app.backend.program.Ended());
}

TEST(ClickRun, FiveClicksAMinuteApartSingleAndDouble) {
  for (const bool double_click : {false, true}) {
    SCOPED_TRACE(double_click ? "double" : "single");
    App app;
    app.Start();
    if (double_click) app.window->OptionNamed("Option2").SelectByUser();
    const std::uint64_t started = app.backend.loop.Now();
    ASSERT_TRUE(app.RunToEnd());

    const std::vector<std::uint32_t> one_click =
        double_click ? std::vector<std::uint32_t>{2, 4, 2, 4} : std::vector<std::uint32_t>{2, 4};
    std::vector<std::uint32_t> all_clicks;
    for (int i = 0; i < 5; ++i)
      all_clicks.insert(all_clicks.end(), one_click.begin(), one_click.end());
    EXPECT_EQ(app.backend.pointer.ButtonFlags(), all_clicks);
    EXPECT_EQ(app.backend.pointer.Moves(), std::vector<Point>(5, Point{500, 500}));
    // Each click follows its move; the k-th comes about k minutes (plus an inner tick) after Start.
    const auto& log = app.backend.pointer.Log();
    for (std::size_t move = 0, k = 1; move < log.size(); move += 1 + one_click.size(), ++k) {
      EXPECT_EQ(log[move].kind, platform::fake::PointerAction::Kind::kMove);
      EXPECT_NEAR(static_cast<double>(log[move].at_ms - started), 60'000.0 * k, 250.0);
    }
    EXPECT_EQ(
        app.Command4().CaptionHistory(),
        (std::vector<std::string>{std::string(texts::kStartedCaption), Progress(1), Progress(2),
                                  Progress(3), Progress(4), Progress(5), Finished(5)}));
    EXPECT_EQ(app.Text("Text7").Text(), "6");
    ExpectIdle(app);
  }
}

TEST(ClickRun, NumberOfClicksFollowsTheWholePartOfN) {
  const struct {
    const char* n;
    int clicks;
  } cases[] = {{"0", 1}, {"-4", 1}, {"1", 1}, {"", 1}, {"abc", 1}, {"2.9", 2}, {"3", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    App app;
    app.Start();
    app.Text("Text6").SetText(c.n);
    app.Text("Text8").SetText("0.01");
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 2u * c.clicks);
    EXPECT_EQ(app.Command4().Caption(), Finished(c.clicks));
  }
}

TEST(ClickRun, PointRoundsHalvesToEvenAndNonNumbersDoNotMove) {
  const struct {
    const char* x;
    const char* y;
    std::vector<Point> moves;
  } cases[] = {{"100.5", "200.5", {{100, 200}}},
               {"101.5", "-3", {{102, -3}}},
               {"abc", "200", {}},
               {"100", "", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.x) + "," + c.y);
    App app;
    app.Start();
    app.Text("Text4").SetText(c.x);
    app.Text("Text5").SetText(c.y);
    app.Text("Text6").SetText("1");
    app.Text("Text8").SetText("0.01");
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(app.backend.pointer.Moves(), c.moves);
    EXPECT_EQ(app.backend.pointer.ButtonFlags(), (std::vector<std::uint32_t>{2, 4}));
  }
}

// X and Y are read as the user writes numbers, not as the C locale does.
TEST(ClickRun, PointIsReadInTheUsersNumberFormat) {
  const numbers::NumberFormat german{.decimal_separator = ",", .thousands_separator = "."};
  const numbers::NumberFormat french{.decimal_separator = ",", .thousands_separator = " "};
  const struct {
    numbers::NumberFormat format;
    const char* x;
    const char* y;
    std::vector<Point> moves;
  } cases[] = {{german, "1.234", "56,5", {{1234, 56}}},
               {german, "12,5", "-3,5", {{12, -4}}},
               {french, "1 234", "7,5", {{1234, 8}}},
               {french, "100.5", "7", {}},  // the point is no separator of the user's
               {german, "1,2,3", "7", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " ; " + c.y);
    App app;
    app.backend.program.SetNumberFormat(c.format);
    app.Start();
    app.Text("Text4").SetText(c.x);
    app.Text("Text5").SetText(c.y);
    app.Text("Text6").SetText("1");
    app.Text("Text8").SetText("0.01");  // the period is read with the point, whatever the locale
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(app.backend.pointer.Moves(), c.moves);
    EXPECT_EQ(app.backend.pointer.ButtonFlags(), (std::vector<std::uint32_t>{2, 4}));
  }
}

// A move the system refuses presses nothing and counts nothing: the click would land wherever
// the pointer happens to be. Once the move works again the run makes its clicks at the point.
TEST(ClickRun, FailedPointerMoveClicksNothingAndTheRunWaits) {
  App app;
  app.Start();
  app.backend.pointer.MoveByUser({7, 8});
  app.backend.pointer.SetMoveFails(true);
  app.Text("Text6").SetText("2");
  app.Text("Text8").SetText("0.01");
  app.window->PressButton("Command4");
  app.backend.loop.AdvanceBy(2'700);  // the first four periods (0.7 s, then 0.6 s apart)
  EXPECT_EQ(app.backend.pointer.Moves(), std::vector<Point>(4, Point{500, 500}));  // tried
  EXPECT_EQ(app.backend.pointer.Position(), (Point{7, 8}));
  EXPECT_TRUE(app.backend.pointer.ButtonFlags().empty());
  EXPECT_EQ(app.Command4().Caption(), texts::kStartedCaption);
  EXPECT_EQ(app.Text("Text7").Text(), "0");

  app.backend.pointer.SetMoveFails(false);
  ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));
  EXPECT_EQ(ButtonPoints(app), std::vector<Point>(4, Point{500, 500}));
  EXPECT_EQ(app.Command4().Caption(), Finished(2));
  EXPECT_TRUE(app.Messages().empty());
  ExpectIdle(app);
}

// Whatever moves the pointer between the move and the press (the user's hand, or a movement the
// system still had queued from before), every button event lands at the point. With no point the
// click is where the pointer is, as always.
TEST(ClickRun, ClickLandsAtThePointWhateverMovesThePointerInBetween) {
  const struct {
    const char* name;
    const char* x;
    bool double_click;
    Point landed;
  } cases[] = {{"single", "500", false, {500, 500}},
               {"double", "500", true, {500, 500}},
               {"no point", "", false, {7, 8}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    if (c.double_click) app.window->OptionNamed("Option2").SelectByUser();
    app.backend.pointer.MoveByUser({7, 8});
    app.backend.pointer.SetMovedAfterEachMove(Point{7, 8});
    app.Text("Text4").SetText(c.x);
    app.Text("Text6").SetText("2");
    app.Text("Text8").SetText("0.01");
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(ButtonPoints(app), std::vector<Point>(c.double_click ? 8 : 4, c.landed));
    EXPECT_EQ(app.Command4().Caption(), Finished(2));
  }
}

TEST(ClickRun, SecondRunCountsAgainAndPaysOutItsBacklogOneClickPerInnerTick) {
  App app;
  app.Start();
  app.Text("Text6").SetText("2");
  ASSERT_TRUE(app.RunToEnd());
  app.backend.loop.AdvanceBy(10 * 60'000);  // a pause of ten periods
  app.backend.pointer.ClearLog();
  app.Text("Text6").SetText("5");
  const std::uint64_t started = app.backend.loop.Now();
  ASSERT_TRUE(app.RunToEnd(2'000));
  const auto& log = app.backend.pointer.Log();
  ASSERT_EQ(log.size(), 15u);
  for (std::size_t k = 1; k < 5; ++k) {
    const std::uint64_t gap = log[3 * k].at_ms - log[3 * (k - 1)].at_ms;
    EXPECT_GE(gap, 40u);
    EXPECT_LE(gap, 120u);
  }
  EXPECT_LT(log.back().at_ms - started, 1'000u);
  EXPECT_EQ(app.Command4().Caption(), Finished(5));
}

TEST(ClickRun, StartPressedTwiceArmsOnce) {
  App app(Timers::kRecording);
  app.Start();
  app.window->PressButton("Command4");
  app.Text("Text7").SetText("x");
  app.window->PressButton("Command4");  // disabled: no event
  EXPECT_EQ(app.Text("Text7").Text(), "x");
  EXPECT_EQ(app.Command4().CaptionHistory().size(), 1u);
}

TEST(ClickRun, PeriodLimits) {
  const struct {
    const char* minutes;
    float seconds;  // 0: refused with message
    std::string_view message;
  } cases[] = {{"34560", 2'073'600.0f, {}},
               {"0.5", 30.0f, {}},
               {"1.5", 90.0f, {}},
               {"34560.01", 0, texts::kPeriodTooLongMessage},
               {"99999", 0, texts::kPeriodTooLongMessage},
               {"0", 0, texts::kPeriodTooShortMessage},
               {"-2", 0, texts::kPeriodTooShortMessage},
               {"", 0, texts::kPeriodTooShortMessage},
               {"0.000001", 0, texts::kPeriodTooShortMessage},
               {"-1e39", 0, texts::kPeriodTooShortMessage},  // not an overflow of the seconds
               {"-1e99", 0, texts::kPeriodTooShortMessage}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.minutes);
    App app(Timers::kRecording);
    app.Start();
    app.Text("Text8").SetText(c.minutes);
    app.Text("Text7").SetText("7");
    app.window->OptionNamed("Option2").SelectByUser();
    app.window->PressButton("Command4");
    auto& timer1 = app.Recording("LongTimer1");
    auto& timer2 = app.Recording("LongTimer2");
    if (c.message.empty()) {
      // Both timers get the period whichever mode runs; only the chosen one is armed.
      EXPECT_EQ(timer1.LastPut(kLongTimerIntervalId), platform::DispValue(c.seconds));
      EXPECT_EQ(timer2.LastPut(kLongTimerIntervalId), platform::DispValue(c.seconds));
      EXPECT_EQ(timer1.LastPut(kLongTimerEnabledId), platform::DispValue(false));
      EXPECT_EQ(timer2.LastPut(kLongTimerEnabledId), platform::DispValue(true));
      EXPECT_EQ(app.Text("Text7").Text(), "0");
      EXPECT_FALSE(app.Command4().Enabled());
      continue;
    }
    EXPECT_EQ(app.Messages(), std::vector<std::string>{std::string(c.message)});
    EXPECT_EQ(timer1.Puts().size(), 1u);  // start-up's disable only
    EXPECT_EQ(timer2.Puts().size(), 1u);
    EXPECT_TRUE(app.Command4().Enabled());
    EXPECT_EQ(app.Command4().Caption(), texts::kStartCaption);
    EXPECT_EQ(app.Text("Text7").Text(), "7");
    EXPECT_EQ(app.Text("Text8").Text(), c.minutes);
    EXPECT_FALSE(app.backend.program.Ended());
    EXPECT_FALSE(app.backend.loop.Stopped());
  }
}

TEST(ClickRun, RunTimeErrorsStopTheRunAndKeepTheProgram) {
  const struct {
    const char* name;
    const char* x;
    const char* counter;  // Text7 at start-up seeds the counter
    const char* period;
    std::size_t button_events;
    const char* text7_after;
  } cases[] = {
      {"X beyond 32 bits", "1e10", "1", "0.01", 0, "0"},
      {"counter overflow", "500", "2147483647", "0.01", 2, "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Text("Text7").SetText(c.counter);
    app.Start();
    app.Text("Text7").SetText("1");
    app.Text("Text4").SetText(c.x);
    app.Text("Text8").SetText(c.period);
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(app.Messages(), std::vector<std::string>{ErrorMessage("Overflow")});
    EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), c.button_events);
    EXPECT_EQ(app.Command4().Caption(), texts::kStartCaption);
    EXPECT_EQ(app.Text("Text4").Text(), c.x);
    EXPECT_EQ(app.Text("Text7").Text(), c.text7_after);
    ExpectIdle(app);
    app.backend.loop.AdvanceBy(60'000);
    EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), c.button_events);
  }
}

TEST(ClickRun, XTurningBadMidRunStopsCleanlyAndTheNextRunIsWhole) {
  App app;
  app.Start();
  app.Text("Text8").SetText("0.01");
  app.window->PressButton("Command4");
  ASSERT_TRUE(app.backend.loop.RunUntil(
      [&] { return app.backend.pointer.ButtonFlags().size() == 2; }, 10'000));
  app.Text("Text4").SetText("1e10");
  // While the error's box is open its modal loop goes on delivering events: no click may come.
  app.backend.program.QueueOnMessage([&] { app.backend.loop.AdvanceBy(60'000); });
  ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 10'000));
  EXPECT_EQ(app.Messages(), std::vector<std::string>{ErrorMessage("Overflow")});
  EXPECT_EQ(app.Text("Text7").Text(), "2");
  EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 2u);
  ExpectIdle(app);

  app.Text("Text4").SetText("500");
  ASSERT_TRUE(app.RunToEnd());
  EXPECT_EQ(app.Command4().Caption(), Finished(5));
  EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 12u);
}

TEST(ClickRun, FailedPutIsReportedAndStartComesBack) {
  App app(Timers::kRecording);
  app.Start();
  app.Recording("LongTimer1").FailPutsOf(kLongTimerEnabledId, "Automation error");
  app.window->PressButton("Command4");
  EXPECT_EQ(app.Messages(),
            std::vector<std::string>{ErrorMessage("Automation error") + "\nAutomation error"});
  EXPECT_TRUE(app.Command4().Enabled());
  EXPECT_EQ(app.Command4().Caption(), texts::kStartCaption);
  EXPECT_EQ(app.Text("Text7").Text(), "1");
  EXPECT_EQ(app.Recording("LongTimer2").LastPut(kLongTimerEnabledId), platform::DispValue(false));
}

// A refused or failed Start after a finished run puts back the finished caption, not "Start".
TEST(ClickRun, RefusedOrFailedStartKeepsTheFinishedCaption) {
  const struct {
    const char* name;
    const char* period;
    bool fail_put;
  } cases[] = {{"too long", "99999", false}, {"too short", "0", false}, {"failed put", "1", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    app.Text("Text6").SetText("2");
    app.Text("Text8").SetText("0.01");
    ASSERT_TRUE(app.RunToEnd());
    ASSERT_EQ(app.Command4().Caption(), Finished(2));
    app.Text("Text8").SetText(c.period);
    if (c.fail_put) {
      app.window->EmbeddedAs<testing::LongTimerControl>("LongTimer1").FailNextPuts();
    }
    app.window->PressButton("Command4");
    EXPECT_EQ(app.Messages().size(), 1u);
    EXPECT_TRUE(app.Command4().Enabled());
    EXPECT_EQ(app.Command4().Caption(), Finished(2));
    EXPECT_EQ(app.Text("Text7").Text(), "3");
  }
}

}  // namespace
}  // namespace clickora::autoclick
