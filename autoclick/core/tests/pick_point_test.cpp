#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::Point;
using testing::App;

// The two ways into a pick, as the user takes them.
struct Entry {
  const char* name;
  std::function<void(App&)> enter;
};
const Entry kEntries[] = {
    {"F8", [](App& app) { EXPECT_TRUE(app.window->PressKeyByUser("{F8}")); }},
    {"double-click on the read-out", [](App& app) { app.window->DoubleClickByUser("Text2"); }},
};

// Everything of the window that a pick could touch, read-outs aside.
struct FormState {
  std::map<std::string, std::string> texts;
  bool option1 = false, option2 = false;
  std::string caption, tip;
  bool start_enabled = false;
  int click_count = 0;
  bool timer1 = false, timer2 = false;
  friend bool operator==(const FormState&, const FormState&) = default;
};

FormState StateOf(App& app) {
  FormState state;
  for (const char* name : {"Text4", "Text5", "Text6", "Text7", "Text8"})
    state.texts[name] = app.Text(name).Text();
  state.option1 = app.window->OptionNamed("Option1").Value();
  state.option2 = app.window->OptionNamed("Option2").Value();
  state.caption = app.Command4().Caption();
  state.tip = app.Command4().ToolTipText();
  state.start_enabled = app.Command4().Enabled();
  state.click_count = app.form->ClickCount();
  state.timer1 = app.LongTimer("LongTimer1").Enabled();
  state.timer2 = app.LongTimer("LongTimer2").Enabled();
  return state;
}

// A pick writes the point into Text4 and Text5 as the read-out writes it, negative coordinates
// of a monitor left of or above the primary one included, and changes nothing else.
TEST(PickPoint, SetsExactlyTheTwoFields) {
  const struct {
    Point point;
    const char* x;
    const char* y;
  } points[] = {{{0, 0}, "0", "0"},
                {{1919, 1079}, "1919", "1079"},
                {{-1280, 37}, "-1280", "37"},
                {{15, -1024}, "15", "-1024"}};
  for (const Entry& entry : kEntries) {
    for (const auto& p : points) {
      SCOPED_TRACE(std::string(entry.name) + " " + p.x + "," + p.y);
      App app;
      app.Start();
      app.Text("Text6").SetText("12");
      app.window->OptionNamed("Option2").SelectByUser();
      entry.enter(app);
      ASSERT_TRUE(app.backend.pick.Active());
      const std::vector<std::pair<std::string, std::string>> events_before = app.window->EventLog();
      FormState expected = StateOf(app);
      expected.texts["Text4"] = p.x;
      expected.texts["Text5"] = p.y;

      ASSERT_TRUE(app.backend.pick.ClickAt(p.point));
      EXPECT_EQ(StateOf(app), expected);
      EXPECT_FALSE(app.backend.pick.Active());
      EXPECT_EQ(app.window->EventLog(), events_before);  // no procedure ran on the pick's behalf
      EXPECT_TRUE(app.backend.pointer.Log().empty());    // nothing clicked, no pointer moved
      EXPECT_TRUE(app.Messages().empty());
    }
  }
}

// Esc or a right click (the surface's cancel) leaves every field as it was, a field the user
// had typed into included, and a refused pick says why in the program's message and changes
// nothing either. A new pick can be made after both.
TEST(PickPoint, CancelAndRefusalChangeNothing) {
  for (const Entry& entry : kEntries) {
    for (const bool refused : {false, true}) {
      SCOPED_TRACE(std::string(entry.name) + (refused ? " refused" : " cancelled"));
      App app;
      app.Start();
      app.Text("Text4").TypeByUser("-12");
      app.Text("Text5").TypeByUser("abc");
      const FormState before = StateOf(app);
      if (refused) app.backend.pick.SetRefused("AlreadyGrabbed");
      entry.enter(app);
      if (!refused) {
        ASSERT_TRUE(app.backend.pick.Cancel());
        EXPECT_TRUE(app.Messages().empty());
      } else {
        EXPECT_FALSE(app.backend.pick.Active());
        EXPECT_EQ(app.Messages(), std::vector<std::string>{std::string(texts::kPickRefusedMessage) +
                                                           " (AlreadyGrabbed)"});
      }
      EXPECT_EQ(StateOf(app), before);

      app.backend.pick.SetRefused(std::nullopt);
      entry.enter(app);
      EXPECT_EQ(app.backend.pick.Begins(), 2);
      ASSERT_TRUE(app.backend.pick.ClickAt({7, 8}));
      EXPECT_EQ(app.Text("Text4").Text(), "7");
      EXPECT_EQ(app.Text("Text5").Text(), "8");
    }
  }
}

// A refusal without the system's words says only the program's sentence.
TEST(PickPoint, RefusalWithoutDetailIsTheBareMessage) {
  App app;
  app.Start();
  app.backend.pick.SetRefused("");
  app.window->PressKeyByUser("{F8}");
  EXPECT_EQ(app.Messages(), std::vector<std::string>{std::string(texts::kPickRefusedMessage)});
}

// During a run the next click goes to the picked point, single and double clicks alike, and
// the run's count goes on undisturbed; the read-out keeps running while the pick waits.
TEST(PickPoint, PickDuringARunMovesTheNextClick) {
  for (const char* option : {"Option1", "Option2"}) {
    SCOPED_TRACE(option);
    App app;
    app.Start();
    app.window->OptionNamed(option).SelectByUser();
    app.Text("Text6").SetText("3");
    app.Text("Text8").SetText("0.01");  // 0.6 s between clicks
    app.window->PressButton("Command4");
    ASSERT_TRUE(
        app.backend.loop.RunUntil([&] { return app.backend.pointer.Moves().size() == 1; }, 60'000));

    app.window->PressKeyByUser("{F8}");
    app.backend.pointer.MoveByUser({-300, 40});
    app.backend.loop.AdvanceBy(100);  // still picking: the read-out follows the pointer
    EXPECT_EQ(app.Text("Text2").Text(), " x : -300 , y :  40");
    ASSERT_TRUE(app.backend.pick.ClickAt({-300, 40}));
    ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));

    EXPECT_EQ(app.backend.pointer.Moves(),
              (std::vector<Point>{{500, 500}, {-300, 40}, {-300, 40}}));
    EXPECT_EQ(app.Text("Text7").Text(), "4");  // three clicks made, as without the pick
    EXPECT_TRUE(app.Messages().empty());
  }
}

// A click that comes due while the pick waits would land on the pick surface: no pointer action
// happens until the pick ends, then one click is made (clicks due meanwhile make one), at the
// picked point or, after a cancel, at the point the fields held. A run stopped by F6 meanwhile
// makes no click at the end of the pick.
TEST(PickPoint, AClickDueWhileThePickWaitsIsMadeWhenItEnds) {
  const struct {
    const char* name;
    std::function<void(App&)> end_pick;
    std::vector<Point> moves;  // after the pick's end
  } cases[] = {
      {"picked",
       [](App& app) {
         app.backend.pick.ClickAt({-300, 40});
       },
       {{-300, 40}}},
      {"cancelled", [](App& app) { app.backend.pick.Cancel(); }, {{500, 500}}},
      {"stopped by F6 meanwhile",
       [](App& app) {
         app.backend.stop_key.Press();
         app.backend.pick.ClickAt({-300, 40});
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    app.Text("Text6").SetText("5");
    app.Text("Text8").SetText("0.01");  // 0.6 s between clicks
    app.window->PressButton("Command4");
    app.window->PressKeyByUser("{F8}");
    app.backend.loop.AdvanceBy(2'000);  // three clicks come due
    EXPECT_TRUE(app.backend.pointer.Log().empty());
    EXPECT_EQ(app.Text("Text7").Text(), "0");  // as Start left it: no click counted

    c.end_pick(app);
    EXPECT_EQ(app.backend.pointer.Moves(), c.moves);
    EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 2 * c.moves.size());
    // The counter after one click, or as the stop left it.
    EXPECT_EQ(app.Text("Text7").Text(), c.moves.empty() ? "1" : "2");
    if (!c.moves.empty()) {
      // The run goes on from there and makes its five clicks.
      ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 60'000));
      EXPECT_EQ(app.backend.pointer.ButtonFlags().size(), 10u);
      EXPECT_EQ(app.Text("Text7").Text(), "6");
    }
    EXPECT_TRUE(app.Messages().empty());
  }
}

// While a pick is going, F8 and the double-click start no second one: the pick going keeps its
// click. Once it has ended, either way starts a new one.
TEST(PickPoint, ASecondEntryWhilePickingDoesNotStack) {
  for (const Entry& first : kEntries) {
    SCOPED_TRACE(first.name);
    App app;
    app.Start();
    first.enter(app);
    for (const Entry& again : kEntries) again.enter(app);
    EXPECT_EQ(app.backend.pick.Begins(), 1);
    EXPECT_EQ(app.backend.pick.Stacked(), 0);
    ASSERT_TRUE(app.backend.pick.ClickAt({1, 2}));
    EXPECT_FALSE(app.backend.pick.ClickAt({3, 4}));  // no pick left to take it
    EXPECT_EQ(app.Text("Text4").Text(), "1");

    for (const Entry& next : kEntries) {
      next.enter(app);
      ASSERT_TRUE(app.backend.pick.Cancel());
    }
    EXPECT_EQ(app.backend.pick.Begins(), 3);
    EXPECT_EQ(app.backend.pick.Stacked(), 0);
  }
}

// Only F8 and a double-click on the read-out start a pick: other keys and a double-click on the
// other boxes are no window keys and bound to nothing.
TEST(PickPoint, OtherKeysAndBoxesStartNoPick) {
  App app;
  app.Start();
  EXPECT_FALSE(app.window->PressKeyByUser("{F7}"));
  EXPECT_FALSE(app.window->PressKeyByUser("{F6}"));
  for (const char* box : {"Text1", "Text4", "Text5", "Text6", "Text8"})
    app.window->DoubleClickByUser(box);
  EXPECT_EQ(app.backend.pick.Begins(), 0);
}

}  // namespace
}  // namespace clickora::autoclick
