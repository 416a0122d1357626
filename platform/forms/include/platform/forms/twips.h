#pragma once

namespace clickora::platform::forms {

// Twips are 1/1440 inch. At 96 DPI 15 twips make one pixel; at other densities the window is laid
// out at the screen's real DPI so that it keeps its physical size. Rounded to the nearest pixel.
int TwipsToPixels(int twips, double dots_per_inch);
int PixelsToTwips(int pixels, double dots_per_inch);
// A font's character height in pixels for its size in points.
int PointsToPixels(double points, double dots_per_inch);

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A control's place in twips, in pixels. Edges are converted rather than sizes, so that
// neighbouring controls keep their gaps.
PixelRect TwipsRectToPixels(int left, int top, int width, int height, double dpi_x, double dpi_y);

}  // namespace clickora::platform::forms
