#include "platform/input_routing/output_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace clickora::platform::input_routing {
namespace {

// sway's test desktop: a 1280x720 output at the origin and a 1600x1200 one at -800,100 with
// scale 2, which covers 800x600 of the layout.
const std::vector<OutputArea> kScaledLeft = {{0, 0, 1280, 720}, {-800, 100, 800, 600}};
// Two outputs with a gap between them, the primary (named) the right-hand one.
const std::vector<OutputArea> kGap = {{0, 0, 1024, 768}, {1100, 50, 800, 600}};
// Stacked above: the primary is below, negative y above it.
const std::vector<OutputArea> kAbove = {{200, -1080, 1920, 1080}, {0, 0, 1280, 1024}};

TEST(OutputLayout, BoundingBoxHoldsEveryOutput) {
  struct Case {
    const char* name;
    std::vector<OutputArea> outputs;
    OutputArea box;
  };
  const Case cases[] = {
      {"none", {}, {0, 0, 0, 0}},
      {"one", {{0, 0, 1280, 720}}, {0, 0, 1280, 720}},
      {"scaled left", kScaledLeft, {-800, 0, 2080, 720}},
      {"gap", kGap, {0, 0, 1900, 768}},
      {"above", kAbove, {0, -1080, 2120, 2104}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BoundingBox(c.outputs), c.box);
  }
}

TEST(OutputLayout, PrimaryIsTheNamedOneElseTheOneAtTheOriginElseTheFirst) {
  struct Case {
    const char* name;
    std::vector<OutputArea> outputs;
    std::optional<std::size_t> named;
    std::optional<std::size_t> primary;
  };
  const Case cases[] = {
      {"none", {}, std::nullopt, std::nullopt},
      {"at the origin, listed second", {{-800, 100, 800, 600}, {0, 0, 1280, 720}}, {}, 1},
      {"named wins over the origin", kGap, 1, 1},
      {"a named index out of range", kGap, 5, 0},
      {"none at the origin", {{10, 10, 800, 600}, {810, 10, 800, 600}}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PrimaryIndex(c.outputs, c.named), c.primary);
  }
}

TEST(OutputLayout, ProgramPointsAreRelativeToThePrimary) {
  struct Case {
    const char* name;
    OutputArea primary;
    Point program;
    Point layout;
  };
  const Case cases[] = {
      {"primary at the origin", {0, 0, 1280, 720}, {-400, 300}, {-400, 300}},
      {"primary right of a gap", {1100, 50, 800, 600}, {-10, -10}, {1090, 40}},
      {"primary below another", {0, 0, 1280, 1024}, {500, -20}, {500, -20}},
      {"primary at a negative place", {-800, 100, 800, 600}, {0, 0}, {-800, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToLayout(c.program, c.primary), c.layout);
    EXPECT_EQ(ToProgram(c.layout, c.primary), c.program);
  }
}

TEST(OutputLayout, AbsoluteMotionIsAPlaceInTheBoundingBox) {
  struct Case {
    const char* name;
    std::vector<OutputArea> outputs;
    Point layout;
    std::optional<AbsoluteMotion> motion;
  };
  const Case cases[] = {
      {"no outputs", {}, {10, 10}, std::nullopt},
      {"one output", {{0, 0, 1280, 720}}, {100, 200}, AbsoluteMotion{100, 200, 1280, 720}},
      // The scaled output at -800,100: the point -600,300 lies 200 into the box.
      {"negative, scaled", kScaledLeft, {-600, 300}, AbsoluteMotion{200, 300, 2080, 720}},
      {"on the primary beside it", kScaledLeft, {640, 360}, AbsoluteMotion{1440, 360, 2080, 720}},
      {"above the primary", kAbove, {300, -500}, AbsoluteMotion{300, 580, 2120, 2104}},
      // In the gap the compositor itself moves the pointer to the nearest output.
      {"in a gap", kGap, {1050, 100}, AbsoluteMotion{1050, 100, 1900, 768}},
      {"left of the desktop", kScaledLeft, {-5000, -5}, AbsoluteMotion{0, 0, 2080, 720}},
      {"right of and below it", kGap, {4000, 900}, AbsoluteMotion{1899, 767, 1900, 768}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MotionWithin(BoundingBox(c.outputs), c.layout), c.motion);
  }
}

TEST(OutputLayout, TheStreamHoldingAPointOrTheNearestTakesIt) {
  const std::vector<StreamArea> streams = {
      {{0, 0, 1280, 720}, 1.0}, {{-800, 100, 800, 600}, 2.0}, {{1380, 0, 800, 600}, 1.0}};
  struct Case {
    const char* name;
    Point layout;
    std::optional<StreamPoint> chosen;
  };
  const Case cases[] = {
      {"on the first", {100, 200}, StreamPoint{0, 100, 200}},
      {"top-left corner", {0, 0}, StreamPoint{0, 0, 0}},
      // Stream pixels of a monitor at scale 2 are twice its logical size.
      {"negative, scaled", {-600, 300}, StreamPoint{1, 400, 400}},
      {"last pixel of the scaled one", {-1, 699}, StreamPoint{1, 1598, 1198}},
      {"in the gap, nearer the first", {1300, 10}, StreamPoint{0, 1279, 10}},
      {"in the gap, nearer the third", {1370, 10}, StreamPoint{2, 0, 10}},
      {"above the scaled one", {-700, 0}, StreamPoint{1, 200, 0}},
      {"far below, nearest the first", {2000, 5000}, StreamPoint{0, 1279, 719}},
      {"right of the third", {3000, 100}, StreamPoint{2, 799, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChooseStream(streams, c.layout), c.chosen);
  }
  EXPECT_EQ(ChooseStream({}, {0, 0}), std::nullopt);
}

}  // namespace
}  // namespace clickora::platform::input_routing
