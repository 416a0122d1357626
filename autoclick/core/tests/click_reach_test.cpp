#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::ClickReach;
using testing::App;

std::string Finished(int clicks) {
  return std::string(texts::kFinishedHead) + "  " + std::to_string(clicks) + "  " +
         std::string(texts::kCaptionTail);
}

// Where the system takes no synthesised clicks, Start is refused with a message and nothing
// changes: no caption, no counter, no timer, no stop key, and no click however long one waits;
// a second press is refused the same way. Also after a finished run, whose caption stays.
TEST(ClickReach, NowhereRefusesEveryStartAndChangesNothing) {
  for (const bool after_a_run : {false, true}) {
    SCOPED_TRACE(after_a_run ? "after a finished run" : "first Start");
    App app;
    app.Start();
    app.Text("Text6").SetText("2");
    app.Text("Text8").SetText("0.01");
    if (after_a_run) {
      ASSERT_TRUE(app.RunToEnd());
    }
    const std::string caption = app.Command4().Caption();
    const std::size_t captions = app.Command4().CaptionHistory().size();
    const std::string counter = app.Text("Text7").Text();
    app.backend.pointer.ClearLog();
    app.backend.pointer.SetReach(ClickReach::kNowhere);
    // While the box is open, nothing is armed and Start is as it was.
    bool armed_during_box = true;
    app.backend.program.QueueOnMessage([&] {
      armed_during_box = app.LongTimer("LongTimer1").Enabled() || !app.Command4().Enabled();
    });

    for (int press = 1; press <= 2; ++press) {
      app.window->PressButton("Command4");
      app.backend.loop.AdvanceBy(5'000);
      EXPECT_EQ(app.Messages().size(), static_cast<std::size_t>(press));
      EXPECT_EQ(app.Messages().back(), texts::kNoClicksMessage);
    }
    EXPECT_FALSE(armed_during_box);
    EXPECT_TRUE(app.Command4().Enabled());
    EXPECT_EQ(app.Command4().Caption(), after_a_run ? Finished(2) : "Start");
    EXPECT_EQ(app.Command4().Caption(), caption);
    EXPECT_EQ(app.Command4().CaptionHistory().size(), captions);
    EXPECT_EQ(app.Text("Text7").Text(), counter);
    EXPECT_FALSE(app.LongTimer("LongTimer1").Enabled());
    EXPECT_FALSE(app.LongTimer("LongTimer2").Enabled());
    EXPECT_FALSE(app.backend.stop_key.Held());
    EXPECT_TRUE(app.backend.pointer.Log().empty());
    EXPECT_EQ(app.form->ClickCount(), 1);
    EXPECT_FALSE(app.backend.program.Ended());
  }
}

// Where clicks reach only some windows, or the desktop will ask the user about them, the first
// Start of the program says so before the run is armed, and the run goes on as everywhere; later
// runs start without a word.
TEST(ClickReach, X11OnlyTellsOnceAtTheFirstStartAndRunsAllTheSame) {
  const struct {
    ClickReach reach;
    bool asks_consent;  // the desktop asks the user before the first click goes through
    std::vector<std::string> messages;
  } cases[] = {
      {ClickReach::kEverywhere, false, {}},
      {ClickReach::kX11WindowsOnly, false, {std::string(texts::kX11OnlyNotice)}},
      {ClickReach::kEverywhere, true, {std::string(texts::kConsentNotice)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.reach) * 2 + (c.asks_consent ? 1 : 0));
    App app;
    app.backend.pointer.SetReach(c.reach);
    app.backend.pointer.SetAsksConsent(c.asks_consent);
    app.Start();
    app.Text("Text6").SetText("2");
    app.Text("Text8").SetText("0.01");
    bool armed_during_box = true;
    app.backend.program.QueueOnMessage(
        [&] { armed_during_box = app.LongTimer("LongTimer1").Enabled(); });

    for (int run = 1; run <= 2; ++run) {
      ASSERT_TRUE(app.RunToEnd());
      EXPECT_EQ(app.Command4().Caption(), Finished(2));
      EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 4u * run);
    }
    EXPECT_EQ(app.Messages(), c.messages);
    if (!c.messages.empty()) {
      EXPECT_FALSE(armed_during_box);
    }
  }
}

}  // namespace
}  // namespace clickora::autoclick
