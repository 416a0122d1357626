#include "platform/forms/twips.h"

#include <gtest/gtest.h>

namespace clickora::platform::forms {
namespace {

TEST(TwipsTest, ConvertsAtTheScreensDpiRoundingToTheNearest) {
  struct Case {
    int twips;
    double dpi;
    int pixels;
  };
  const Case cases[] = {
      {5145, 96, 343},  {4395, 96, 293}, {3720, 96, 248}, {4990, 96, 333},  // 332.67 rounds up
      {15, 96, 1},      {7, 96, 0},      {-120, 96, -8},  {1440, 120, 120},
      {3720, 144, 372}, {15, 120, 1},    {0, 96, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
  }
  EXPECT_EQ(PixelsToTwips(248, 96), 3720);
  EXPECT_EQ(PixelsToTwips(333, 96), 4995);
  EXPECT_EQ(PixelsToTwips(120, 120), 1440);
  EXPECT_EQ(PointsToPixels(8.25, 96), 11);
  EXPECT_EQ(PointsToPixels(8.25, 144), 17);
}

TEST(TwipsTest, PlacesEdgesSoThatNeighboursKeepTheirGaps) {
  // Controls that meet in twips meet in pixels, however each edge rounds.
  const PixelRect first = TwipsRectToPixels(0, 0, 8, 8, 96, 96);
  const PixelRect second = TwipsRectToPixels(8, 8, 8, 8, 96, 96);
  EXPECT_EQ(first.left + first.width, second.left);
  EXPECT_EQ(first.top + first.height, second.top);
  EXPECT_EQ(TwipsRectToPixels(120, 240, 3720, 4990, 96, 144), (PixelRect{8, 24, 248, 499}));
}

}  // namespace
}  // namespace clickora::platform::forms
