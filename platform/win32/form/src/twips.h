#pragma once

#include <cmath>

namespace clickora::platform::win32 {

// Twips are 1/1440 inch. At 96 DPI, 15 twips make one pixel; at other densities the window is
// laid out at the monitor's real DPI so that it keeps its physical size.
inline constexpr int kTwipsPerInch = 1440;

inline int TwipsToPixels(int twips, unsigned dpi) {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

inline int PixelsToTwips(int pixels, unsigned dpi) {
  return static_cast<int>(std::lround(static_cast<double>(pixels) * kTwipsPerInch / dpi));
}

// A font's character height in pixels for its size in points (negative for CreateFontW, which
// then matches the character height rather than the cell height).
inline int FontHeightPixels(double points, unsigned dpi) {
  return -static_cast<int>(std::lround(points * dpi / 72.0));
}

}  // namespace clickora::platform::win32
