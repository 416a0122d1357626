#include "platform/input_routing/picked_point.h"

#include <gtest/gtest.h>

#include <vector>

namespace clickora::platform::input_routing {
namespace {

struct PickCase {
  const char* name;
  std::vector<OutputArea> outputs;
  std::size_t on;
  double x, y;
  std::optional<Point> expected;
};

TEST(PickedPoint, SurfaceCoordinatesPlusTheOutputsPlaceFromThePrimarysTopLeft) {
  // The sway tests' layout: the primary at 0,0 and a scaled output (1600x1200 at scale 2) at
  // -800,100, listed first.
  const std::vector<OutputArea> sway = {{-800, 100, 800, 600}, {0, 0, 1280, 720}};
  // No output at the origin: the first is the primary.
  const std::vector<OutputArea> shifted = {{100, 50, 1024, 768}, {1124, 0, 800, 600}};
  const PickCase cases[] = {
      {"on the primary", sway, 1, 100, 640, Point{100, 640}},
      {"on the negative, scaled output", sway, 0, 200, 200, Point{-600, 300}},
      {"its top-left corner", sway, 0, 0, 0, Point{-800, 100}},
      {"a fraction goes toward the top-left", sway, 0, 10.75, 20.5, Point{-790, 120}},
      {"a negative fraction stays on the output", sway, 0, -0.25, -0.5, Point{-800, 100}},
      {"past the surface's edge stays on the output", sway, 1, 1280.5, 720, Point{1279, 719}},
      {"the first output primary when none is at the origin", shifted, 1, 5, 5, Point{1029, -45}},
      {"the primary itself when it is not at the origin", shifted, 0, 5, 5, Point{5, 5}},
      {"no such output", sway, 2, 1, 1, std::nullopt},
      {"no outputs", {}, 0, 1, 1, std::nullopt},
  };
  for (const PickCase& c : cases) {
    const std::optional<Point> got = PickedPoint(c.outputs, c.on, c.x, c.y);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.name;
    if (got) {
      EXPECT_EQ(got->x, c.expected->x) << c.name;
      EXPECT_EQ(got->y, c.expected->y) << c.name;
    }
  }
}

}  // namespace
}  // namespace clickora::platform::input_routing
