#pragma once

#include "platform/forms/twips.h"

namespace clickora::platform::win32 {

using forms::PixelsToTwips;
using forms::TwipsToPixels;

// A font's character height for its size in points, negative for CreateFontW, which then matches
// the character height rather than the cell height.
inline int FontHeightPixels(double points, unsigned dpi) {
  return -forms::PointsToPixels(points, dpi);
}

}  // namespace clickora::platform::win32
