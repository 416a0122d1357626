#include "platform/input_routing/routed_pointer_input.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace clickora::platform::input_routing {
namespace {

// A route that writes what it was asked into a shared journal and fails where told.
class FakeRoute final : public PointerRoute {
 public:
  FakeRoute(Mechanism mechanism, std::vector<std::string>& journal)
      : mechanism_(mechanism), journal_(journal) {}
  Mechanism mechanism() const override { return mechanism_; }
  ClickReach Reach() const override {
    return mechanism_ == Mechanism::kXTest ? ClickReach::kX11WindowsOnly : ClickReach::kEverywhere;
  }
  bool Move(Point point) override {
    journal_.push_back(Name() + " move " + std::to_string(point.x) + "," + std::to_string(point.y));
    return !fail_moves;
  }
  bool Button(bool pressed) override {
    journal_.push_back(Name() + (pressed ? " down" : " up"));
    return !fail_buttons;
  }
  bool fail_moves = false;
  bool fail_buttons = false;

 private:
  std::string Name() const { return std::string(MechanismName(mechanism_)); }
  Mechanism mechanism_;
  std::vector<std::string>& journal_;
};

struct Routed {
  std::vector<std::string> journal;
  std::vector<std::string> told;
  std::optional<Point> x_position = Point{1, 2};
  FakeRoute* wlr = nullptr;
  FakeRoute* xtest = nullptr;
  std::unique_ptr<RoutedPointerInput> input;

  explicit Routed(bool with_routes = true) {
    std::vector<std::unique_ptr<PointerRoute>> routes;
    if (with_routes) {
      auto first = std::make_unique<FakeRoute>(Mechanism::kWlrVirtualPointer, journal);
      auto second = std::make_unique<FakeRoute>(Mechanism::kXTest, journal);
      wlr = first.get();
      xtest = second.get();
      routes.push_back(std::move(first));
      routes.push_back(std::move(second));
    }
    input = std::make_unique<RoutedPointerInput>(
        std::move(routes), [this] { return x_position; },
        [this](std::string_view text) { told.emplace_back(text); });
  }
  void ClickAt(Point point) {
    input->SetCursorPos(point);
    input->MouseEvent(kLeftButtonDown);
    input->MouseEvent(kLeftButtonUp);
  }
};

TEST(RoutedPointerInput, ClicksGoTheFirstRoute) {
  Routed routed;
  routed.ClickAt({-600, 300});
  EXPECT_EQ(routed.journal,
            (std::vector<std::string>{"wlr-virtual-pointer move -600,300",
                                      "wlr-virtual-pointer down", "wlr-virtual-pointer up"}));
  EXPECT_TRUE(routed.told.empty());
  EXPECT_EQ(routed.input->Reach(), ClickReach::kEverywhere);
}

TEST(RoutedPointerInput, AFailingRouteHandsTheClickOnAndIsToldOnce) {
  struct Case {
    const char* name;
    bool fail_moves, fail_buttons;
    std::vector<std::string> first_click;
  };
  const Case cases[] = {
      {"the move fails",
       true,
       false,
       {"wlr-virtual-pointer move 10,20", "xtest move 10,20", "xtest down", "xtest up"}},
      {"the button fails: the next route moves there first",
       false,
       true,
       {"wlr-virtual-pointer move 10,20", "wlr-virtual-pointer down", "xtest move 10,20",
        "xtest down", "xtest up"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Routed routed;
    routed.wlr->fail_moves = c.fail_moves;
    routed.wlr->fail_buttons = c.fail_buttons;
    routed.ClickAt({10, 20});
    EXPECT_EQ(routed.journal, c.first_click);
    // The next click tries the best route again, and nothing more is said.
    routed.journal.clear();
    routed.ClickAt({10, 20});
    EXPECT_EQ(routed.journal.front(), "wlr-virtual-pointer move 10,20");
    EXPECT_EQ(routed.journal.back(), "xtest up");
    EXPECT_EQ(routed.told,
              (std::vector<std::string>{
                  "pointer input: wlr-virtual-pointer failed, clicking through xtest"}));
  }
}

TEST(RoutedPointerInput, WhenEveryRouteFailsTheMoveFailsAndEachIsToldOnce) {
  Routed routed;
  routed.wlr->fail_moves = routed.xtest->fail_moves = true;
  EXPECT_FALSE(routed.input->SetCursorPos({5, 5}));
  EXPECT_FALSE(routed.input->SetCursorPos({5, 5}));
  EXPECT_EQ(routed.told.size(), 2u);
  EXPECT_EQ(routed.told.back(), "pointer input: xtest failed, nothing left");
  // The read-out keeps the X server's word, since the pointer did not move.
  Point point;
  ASSERT_TRUE(routed.input->GetCursorPos(point));
  EXPECT_EQ(point, (Point{1, 2}));
}

TEST(RoutedPointerInput, TheReadOutShowsThePointSetUntilTheXServerSeesAMove) {
  Routed routed;
  routed.ClickAt({640, 360});
  Point point;
  ASSERT_TRUE(routed.input->GetCursorPos(point));
  EXPECT_EQ(point, (Point{640, 360}));
  routed.x_position = Point{7, 8};
  ASSERT_TRUE(routed.input->GetCursorPos(point));
  EXPECT_EQ(point, (Point{7, 8}));
}

TEST(RoutedPointerInput, WithoutRoutesClicksReachNowhere) {
  Routed routed(false);
  EXPECT_EQ(routed.input->Reach(), ClickReach::kNowhere);
  EXPECT_FALSE(routed.input->SetCursorPos({1, 1}));
  routed.input->MouseEvent(kLeftButtonDown | kLeftButtonUp);
  EXPECT_TRUE(routed.told.empty());
}

TEST(RoutedPointerInput, TheChosenRouteIsNamedWithItsStandIns) {
  using M = Mechanism;
  EXPECT_EQ(ChosenRouteText({M::kWlrVirtualPointer, M::kXTest}),
            "pointer input: wlr-virtual-pointer (then xtest)");
  EXPECT_EQ(ChosenRouteText({M::kXTest}), "pointer input: xtest");
  EXPECT_EQ(ChosenRouteText({}), "pointer input: none available");
}

}  // namespace
}  // namespace clickora::platform::input_routing
