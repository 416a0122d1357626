#include "platform/input_routing/pointer_estimate.h"

#include <gtest/gtest.h>

namespace clickora::platform::input_routing {
namespace {

TEST(PointerEstimate, ThePointSetShowsUntilTheXServerSeesAMove) {
  PointerEstimate estimate;
  // Before the program has set anything, the X server's word is all there is.
  EXPECT_EQ(estimate.Current(Point{5, 6}), (Point{5, 6}));
  EXPECT_EQ(estimate.Current(std::nullopt), std::nullopt);

  // A click on a native window: the X server keeps its old position.
  estimate.Set({640, 360}, Point{5, 6});
  EXPECT_EQ(estimate.Current(Point{5, 6}), (Point{640, 360}));
  EXPECT_EQ(estimate.Current(std::nullopt), (Point{640, 360}));
  // The user moves over an X window: its position is followed again.
  EXPECT_EQ(estimate.Current(Point{100, 90}), (Point{100, 90}));
  // A click on an X window: the X server reports the same point itself.
  estimate.Set({-600, 300}, Point{100, 90});
  EXPECT_EQ(estimate.Current(Point{-600, 300}), (Point{-600, 300}));
}

}  // namespace
}  // namespace clickora::platform::input_routing
