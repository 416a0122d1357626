#include "platform/forms/twips.h"

#include <cmath>

namespace clickora::platform::forms {
namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kPointsPerInch = 72.0;
}  // namespace

int TwipsToPixels(int twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / kTwipsPerInch));
}

int PixelsToTwips(int pixels, double dots_per_inch) {
  return static_cast<int>(std::lround(pixels * kTwipsPerInch / dots_per_inch));
}

int PointsToPixels(double points, double dots_per_inch) {
  return static_cast<int>(std::lround(points * dots_per_inch / kPointsPerInch));
}

PixelRect TwipsRectToPixels(int left, int top, int width, int height, double dpi_x, double dpi_y) {
  const int pixel_left = TwipsToPixels(left, dpi_x);
  const int pixel_top = TwipsToPixels(top, dpi_y);
  return {pixel_left, pixel_top, TwipsToPixels(left + width, dpi_x) - pixel_left,
          TwipsToPixels(top + height, dpi_y) - pixel_top};
}

}  // namespace clickora::platform::forms
