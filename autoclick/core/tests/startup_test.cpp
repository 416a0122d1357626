#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/run_tapvane.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::WindowState;
using testing::App;

TEST(StartUp, WindowStartsReadyForTheFirstRun) {
  App app;
  app.backend.program.SetProgramFolder("C:\\Tools\\tapvane");
  EXPECT_EQ(app.Command4().Caption(), texts::kStartCaption);
  EXPECT_FALSE(app.window->OptionNamed("Option2").Enabled());  // as designed, until start-up
  app.Start();

  EXPECT_EQ(app.window->Caption(), texts::kWindowCaption);
  EXPECT_EQ(app.backend.program.HelpFile(), "C:\\Tools\\tapvane\\manual.chm");
  EXPECT_EQ(app.form->ClickCount(), 1);
  EXPECT_FALSE(app.LongTimer("LongTimer1").Enabled());
  EXPECT_FALSE(app.LongTimer("LongTimer2").Enabled());
  EXPECT_EQ(app.LongTimer("LongTimer1").Interval(), 0.0f);  // saved "interval" = "0"
  EXPECT_TRUE(app.window->OptionNamed("Option1").Value());
  EXPECT_FALSE(app.window->OptionNamed("Option2").Value());
  EXPECT_TRUE(app.window->OptionNamed("Option2").Enabled());
  EXPECT_EQ(app.Text("Text6").MaxLength(), 8);
  EXPECT_EQ(app.Text("Text8").MaxLength(), 5);
  for (const auto& [name, text] : std::vector<std::pair<const char*, const char*>>{
           {"Text4", "500"}, {"Text5", "500"}, {"Text6", "5"}, {"Text7", "1"}, {"Text8", "1"}}) {
    EXPECT_EQ(app.Text(name).Text(), text) << name;
  }
  EXPECT_EQ(app.window->EventLog().front(), (std::pair<std::string, std::string>{"Form", "Load"}));
  EXPECT_EQ(app.Text("Text2").Text(), "Text2");  // until the read-out's first tick
  app.backend.loop.AdvanceBy(100);
  EXPECT_EQ(app.Text("Text2").Text(), " x : 0 , y :  0");
  EXPECT_EQ(app.Text("Text1").Text(), "12:00:00");
}

TEST(StartUp, UnregisteredControlClassFailsTheWindowWithItsName) {
  platform::fake::FakeBackend backend;
  const platform::CreateFormResult created = backend.runtime.CreateForm(FrmMousePosDesign());
  EXPECT_EQ(created.window, nullptr);
  EXPECT_NE(created.error.find("\"Horolib.LongTimer\""), std::string::npos) << created.error;
}

// The program's one start-up: a window that cannot be created is a Thai message that names the
// class and its registration, and exit status 3; otherwise the window loads and runs.
TEST(StartUp, RunTapvaneReportsAFailedCreationOrRunsTheWindow) {
  platform::fake::FakeBackend unregistered;
  EXPECT_EQ(RunTapvane(unregistered.runtime, unregistered.services), kExitCannotStart);
  ASSERT_EQ(unregistered.program.Messages().size(), 1u);
  const std::string& message = unregistered.program.Messages().front();
  EXPECT_EQ(message.rfind(texts::kCannotStartHead, 0), 0u) << message;
  EXPECT_NE(message.find("\"Horolib.LongTimer\""), std::string::npos) << message;
  EXPECT_NE(message.find("regsvr32 horolon.ocx"), std::string::npos) << message;

  App registered(testing::Timers::kRecording);
  registered.backend.program.SetProgramFolder("C:\\Tools");
  EXPECT_EQ(RunTapvane(registered.backend.runtime, registered.backend.services), 0);
  EXPECT_TRUE(registered.backend.program.Messages().empty());
  EXPECT_EQ(registered.backend.program.HelpFile(), "C:\\Tools\\manual.chm");  // Form_Load ran
}

// A failed put at start-up is reported, and the window is still fully started: a mode selected,
// double click enabled, the typing limits set, the other timer disabled, Start usable.
TEST(StartUp, FailedPutDuringStartUpFinishesTheStepsAndReportsIt) {
  App app(testing::Timers::kRecording);
  app.Recording("LongTimer1").FailPutsOf(kLongTimerEnabledId, "Automation error");
  app.Start();
  ASSERT_EQ(app.Messages().size(), 1u);
  EXPECT_NE(app.Messages().front().find("Automation error"), std::string::npos);
  EXPECT_TRUE(app.window->OptionNamed("Option1").Value());
  EXPECT_TRUE(app.window->OptionNamed("Option2").Enabled());
  EXPECT_EQ(app.Text("Text6").MaxLength(), 8);
  EXPECT_EQ(app.Text("Text8").MaxLength(), 5);
  EXPECT_EQ(app.Recording("LongTimer2").LastPut(kLongTimerEnabledId), platform::DispValue(false));
  EXPECT_TRUE(app.Command4().Enabled());
  EXPECT_FALSE(app.backend.program.Ended());

  app.Recording("LongTimer1").ClearFailures();
  app.window->PressButton("Command4");
  EXPECT_EQ(app.Recording("LongTimer1").LastPut(kLongTimerEnabledId), platform::DispValue(true));
}

TEST(WindowSize, HeldAtItsSizeUnlessMinimized) {
  App app;
  app.Start();
  EXPECT_EQ(app.window->OuterWidthTwips(), kOuterWidthTwips);
  EXPECT_EQ(app.window->OuterHeightTwips(), kOuterHeightTwips);
  app.window->ResizeByUser(6000, 7000);
  EXPECT_EQ(app.window->OuterWidthTwips(), kOuterWidthTwips);
  EXPECT_EQ(app.window->OuterHeightTwips(), kOuterHeightTwips);
  app.window->SetOuterWidthTwips(2000);  // what the system makes of a minimized window
  app.window->SetStateByUser(WindowState::kMinimized);
  EXPECT_EQ(app.window->OuterWidthTwips(), 2000);
  app.window->SetStateByUser(WindowState::kNormal);
  EXPECT_EQ(app.window->OuterWidthTwips(), kOuterWidthTwips);
}

TEST(ReadOut, ShowsPointerAndTimeEveryTick) {
  const struct {
    platform::Point pointer;
    bool query_fails;
    const char* text;
  } cases[] = {{{640, 480}, false, " x : 640 , y :  480"},
               {{-1920, -35}, false, " x : -1920 , y :  -35"},
               {{640, 480}, true, " x : 0 , y :  0"}};
  App app;
  app.Start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    app.backend.pointer.MoveByUser(c.pointer);
    app.backend.pointer.SetQueryFails(c.query_fails);
    app.backend.time_of_day.Set(c.text);  // any text: it is shown as given
    app.backend.loop.AdvanceBy(10);
    EXPECT_EQ(app.Text("Text2").Text(), c.text);
    EXPECT_EQ(app.Text("Text1").Text(), c.text);
  }
  const std::uint64_t ticks = app.backend.loop.TicksDelivered();
  app.backend.loop.AdvanceBy(1000);
  EXPECT_EQ(app.backend.loop.TicksDelivered() - ticks, 100u);  // 1 ms asked, 10 ms granted
}

// A repaint costs more than the query: a tick that finds nothing changed sets no text.
TEST(ReadOut, SetsATextOnlyWhenItChanges) {
  App app;
  app.Start();
  app.backend.pointer.MoveByUser({10, 20});
  app.backend.loop.AdvanceBy(10);
  auto& text1 = app.Text("Text1");
  auto& text2 = app.Text("Text2");
  const int sets1 = text1.SetCount(), sets2 = text2.SetCount();
  app.backend.loop.AdvanceBy(1000);
  EXPECT_EQ(text1.SetCount(), sets1);
  EXPECT_EQ(text2.SetCount(), sets2);
  app.backend.pointer.MoveByUser({11, 20});
  app.backend.loop.AdvanceBy(10);
  EXPECT_EQ(text2.Text(), " x : 11 , y :  20");
  EXPECT_EQ(text2.SetCount(), sets2 + 1);
  EXPECT_EQ(text1.SetCount(), sets1);
  text2.TypeByUser("typed");  // what the box shows counts, not what was set last
  app.backend.loop.AdvanceBy(10);
  EXPECT_EQ(text2.Text(), " x : 11 , y :  20");
}

// Minimized, or with its screen off, the window's read-out sleeps: Timer10 delivers no tick and
// no text is set. Seen again, both fields show the present values at once, at the event that
// brings the window back, before any tick; the ticks then resume.
TEST(ReadOut, SleepsWhileTheWindowCannotBeSeen) {
  const struct {
    const char* name;
    void (*hide)(platform::fake::FakeWindow&);
    void (*show)(platform::fake::FakeWindow&);
  } cases[] = {
      {"minimized", [](auto& w) { w.SetStateByUser(WindowState::kMinimized); },
       [](auto& w) { w.SetStateByUser(WindowState::kNormal); }},
      {"screen off", [](auto& w) { w.SetScreenOnByUser(false); },
       [](auto& w) { w.SetScreenOnByUser(true); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    app.backend.loop.AdvanceBy(10);
    c.hide(*app.window);
    EXPECT_FALSE(app.window->CanBeSeen());
    const int sets1 = app.Text("Text1").SetCount(), sets2 = app.Text("Text2").SetCount();
    const std::uint64_t ticks = app.backend.loop.TicksDelivered();
    app.backend.pointer.MoveByUser({300, 400});
    app.backend.time_of_day.Set("12:34:56");
    app.backend.loop.AdvanceBy(60'000);
    EXPECT_EQ(app.backend.loop.TicksDelivered(), ticks);  // nothing woke the program
    EXPECT_EQ(app.Text("Text1").SetCount(), sets1);
    EXPECT_EQ(app.Text("Text2").SetCount(), sets2);

    c.show(*app.window);
    EXPECT_EQ(app.Text("Text2").Text(), " x : 300 , y :  400");
    EXPECT_EQ(app.Text("Text1").Text(), "12:34:56");
    app.backend.pointer.MoveByUser({301, 400});
    app.backend.loop.AdvanceBy(10);
    EXPECT_EQ(app.Text("Text2").Text(), " x : 301 , y :  400");
  }
}

// A run goes on while the window is minimized, on its control's 100 ms inner tick alone.
TEST(ReadOut, MinimizedRunKeepsItsInnerTick) {
  App app;
  app.Start();
  app.Text("Text6").SetText("3");
  app.Text("Text8").SetText("0.01");  // 0.6 s
  app.window->PressButton("Command4");
  app.window->SetStateByUser(WindowState::kMinimized);
  const std::uint64_t ticks = app.backend.loop.TicksDelivered();
  ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 10'000));
  EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 6u);  // three clicks: down and up each
  const std::uint64_t inner = app.backend.loop.TicksDelivered() - ticks;
  EXPECT_GE(inner, 18u);  // about 2 s of 100 ms ticks
  EXPECT_LE(inner, 25u);
}

TEST(HelpAndExit, ManualSendsF1AndExitOrCloseEndAtOnce) {
  App help;
  help.Start();
  help.window->ChooseMenu("Aboutja");
  EXPECT_EQ(help.backend.program.KeysSent(), std::vector<std::string>{"{F1}"});
  EXPECT_FALSE(help.backend.program.Ended());

  for (const bool close : {false, true}) {
    App app;
    app.Start();
    app.Text("Text8").SetText("0.01");
    app.window->PressButton("Command4");
    if (close) {
      app.window->CloseByUser();
    } else {
      app.window->ChooseMenu("exitna");
    }
    EXPECT_EQ(app.backend.program.ExitCode(), 0);
    app.backend.loop.AdvanceBy(60'000);
    EXPECT_TRUE(app.backend.pointer.Log().empty());
  }
}

TEST(Design, StackingAndVisibility) {
  const platform::FormDesign design = FrmMousePosDesign();
  std::size_t last_input = 0, first_label = design.controls.size(), label10 = 0, label7 = 0,
              label8 = 0;
  for (std::size_t i = 0; i < design.controls.size(); ++i) {
    const platform::ControlDesign& control = design.controls[i];
    if (control.kind == platform::ControlKind::kLabel) {
      first_label = std::min(first_label, i);
    } else {
      last_input = i;
    }
    if (control.name == "Label10") label10 = i;
    if (control.name == "Label7") label7 = i;
    if (control.name == "Label8") label8 = i;
    // Only the counter is hidden, and it alone lies beyond the visible width.
    EXPECT_EQ(control.visible, control.name != "Text7") << control.name;
    EXPECT_EQ(control.left >= kOuterWidthTwips, control.name == "Text7") << control.name;
  }
  EXPECT_LT(last_input, first_label);
  EXPECT_LT(label7, label10);
  EXPECT_LT(label8, label10);
  EXPECT_EQ(design.tab_order.front(), design.initial_focus);
  EXPECT_EQ(design.initial_focus, "Command4");
}

}  // namespace
}  // namespace clickora::autoclick
