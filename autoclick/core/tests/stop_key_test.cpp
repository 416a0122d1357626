#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using testing::App;

std::string Caption(std::string_view head, int clicks) {
  return std::string(head) + "  " + std::to_string(clicks) + "  " +
         std::string(texts::kCaptionTail);
}
// The tip's first line: the stop key and the next click; lines about the computer follow it.
std::string FirstLine(const std::string& tip) {
  return tip.substr(0, tip.find('\n'));
}
bool IsSummary(const std::string& tip, int clicks) {
  return tip.starts_with(std::string(texts::kSummaryHead) + std::to_string(clicks) + " ");
}
std::string Tip(std::string_view key_part, const std::string& time) {
  return std::string(key_part) + std::string(texts::kTipSeparator) +
         std::string(texts::kNextClickHead) + time;
}

struct Mode {
  const char* name;
  const char* option;
  std::size_t events_per_click;
};
constexpr Mode kModes[] = {{"single", "Option1", 2}, {"double", "Option2", 4}};

// F6 during a run: no click after it, the stopped caption, the state of a finished run, the key
// given back; a new run then makes its N clicks.
TEST(StopKey, StopsASingleOrDoubleRunAtOnce) {
  for (const Mode& mode : kModes) {
    SCOPED_TRACE(mode.name);
    App app;
    app.Start();
    app.window->OptionNamed(mode.option).SelectByUser();
    app.Text("Text6").SetText("1000");
    app.Text("Text8").SetText("0.01");
    EXPECT_FALSE(app.backend.stop_key.Held());  // held only while a run is going
    app.window->PressButton("Command4");
    EXPECT_TRUE(app.backend.stop_key.Held());
    EXPECT_EQ(app.backend.stop_key.Key(), "{F6}");
    ASSERT_TRUE(app.backend.loop.RunUntil(
        [&] { return app.backend.pointer.ButtonFlags().size() == 3 * mode.events_per_click; },
        60'000));

    EXPECT_TRUE(app.backend.stop_key.Press());
    EXPECT_EQ(app.Command4().Caption(), Caption(texts::kStoppedHead, 3));
    EXPECT_TRUE(app.Command4().Enabled());
    EXPECT_EQ(app.Text("Text7").Text(), "4");  // as after a finished run of three clicks
    EXPECT_EQ(app.form->ClickCount(), 1);
    EXPECT_FALSE(app.LongTimer("LongTimer1").Enabled());
    EXPECT_FALSE(app.LongTimer("LongTimer2").Enabled());
    EXPECT_FALSE(app.backend.stop_key.Held());
    EXPECT_TRUE(IsSummary(app.Command4().ToolTipText(), 3)) << app.Command4().ToolTipText();
    app.backend.loop.AdvanceBy(60'000);
    EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 3 * mode.events_per_click);

    app.backend.pointer.ClearLog();
    app.Text("Text6").SetText("2");
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 2 * mode.events_per_click);
    EXPECT_EQ(app.Command4().Caption(), Caption(texts::kFinishedHead, 2));
    EXPECT_TRUE(app.Messages().empty());
  }
}

// While no run is going the key is not held, so a press never reaches the program: idle, and
// while the message of a refused Start is open.
TEST(StopKey, DoesNothingWhenNoRunIsGoing) {
  App app;
  app.Start();
  EXPECT_FALSE(app.backend.stop_key.Press());
  app.Text("Text8").SetText("0");
  bool reached = true;
  app.backend.program.QueueOnMessage([&] { reached = app.backend.stop_key.Press(); });
  app.window->PressButton("Command4");
  EXPECT_FALSE(reached);
  EXPECT_EQ(app.Command4().Caption(), texts::kStartCaption);
  EXPECT_EQ(app.backend.stop_key.Holds(), 0);
  // A press that was queued before the run ended comes to nothing too.
  app.form->StopKey_Pressed();
  EXPECT_EQ(app.Command4().Caption(), texts::kStartCaption);
}

// The key goes back however a run ends: finished, stopped, refused or failed; the tip keeps the
// run's summary.
TEST(StopKey, ReleasedAtTheEndOfEveryRun) {
  const struct {
    const char* name;
    const char* period;
    const char* x;
    int clicks;
  } cases[] = {{"finished", "0.01", "500", 2}, {"failed", "0.01", "1e10", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    app.Text("Text6").SetText("2");
    app.Text("Text8").SetText(c.period);
    app.Text("Text4").SetText(c.x);
    ASSERT_TRUE(app.RunToEnd());
    EXPECT_EQ(app.backend.stop_key.Holds(), 1);
    EXPECT_FALSE(app.backend.stop_key.Held());
    EXPECT_TRUE(IsSummary(app.Command4().ToolTipText(), c.clicks)) << app.Command4().ToolTipText();
  }
}

// The tip names the key and the time of the next click, updated after every click; when the
// key is taken the run still goes, and the tip says why the key does not work; where it works
// only while an X11 window has the focus, the tip says so.
TEST(StopKey, TipShowsTheNextClickAndWhetherTheKeyWorks) {
  enum class Key { kHeld, kTaken, kX11FocusOnly };
  for (const Key key : {Key::kHeld, Key::kTaken, Key::kX11FocusOnly}) {
    SCOPED_TRACE(static_cast<int>(key));
    const bool taken = key == Key::kTaken;
    App app;
    app.backend.stop_key.SetTaken(taken);
    app.backend.stop_key.SetX11FocusOnly(key == Key::kX11FocusOnly);
    app.Start();
    app.Text("Text6").SetText("5");
    app.Text("Text8").SetText("1");
    app.backend.time_of_day.FollowClock(app.backend.loop);
    app.window->PressButton("Command4");  // at 12:00:00
    const std::string key_part =
        taken
            ? std::string(texts::kStopKeyUnavailableHead) + std::string(texts::kStopKeyTakenReason)
            : std::string(key == Key::kX11FocusOnly ? texts::kStopKeyX11FocusOnlyTip
                                                    : texts::kStopKeyTip);
    EXPECT_EQ(FirstLine(app.Command4().ToolTipText()), Tip(key_part, "12:01:00"));
    ASSERT_TRUE(app.backend.loop.RunUntil(
        [&] { return app.backend.pointer.ButtonFlags().size() == 4; }, 200'000));
    const std::string second_click_time = app.backend.time_of_day.NowText();  // about 12:02:00
    const std::string third = app.backend.time_of_day.TextAfterSeconds(60);
    EXPECT_EQ(FirstLine(app.Command4().ToolTipText()), Tip(key_part, third)) << second_click_time;
    ASSERT_TRUE(app.backend.loop.RunUntil(
        [&] { return app.backend.pointer.ButtonFlags().size() == 6; }, 200'000));
    EXPECT_EQ(app.backend.time_of_day.NowText(), third);  // the tip was right
    EXPECT_EQ(app.backend.stop_key.Press(), !taken);
    EXPECT_EQ(app.Command4().Enabled(), !taken);
  }
}

}  // namespace
}  // namespace clickora::autoclick
