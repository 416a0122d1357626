#include "design_icon.h"

#include <cmath>

#include "platform/win32/unique_handle.h"

namespace clickora::horolon {
namespace {

using platform::win32::UniqueGdiObject;

// Restores the DC's previous object when it goes out of scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  ~Selected() { ::SelectObject(dc_, previous_); }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

POINT OnCircle(int cx, int cy, double radius, double turns) {
  constexpr double kTwoPi = 6.283185307179586;
  const double angle = turns * kTwoPi;
  return {cx + static_cast<LONG>(std::lround(radius * std::sin(angle))),
          cy - static_cast<LONG>(std::lround(radius * std::cos(angle)))};
}

}  // namespace

void DrawDesignIcon(HDC dc, const RECT& bounds) noexcept {
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return;
  const int size = width < height ? width : height;
  const int cx = bounds.left + width / 2;
  const int cy = bounds.top + height / 2;
  const int radius = size * 7 / 16;
  const int pen_width = size >= 32 ? size / 16 : 1;

  UniqueGdiObject background(::CreateSolidBrush(RGB(0xF0, 0xEC, 0xD8)));
  UniqueGdiObject face(::CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF)));
  UniqueGdiObject rim(::CreatePen(PS_SOLID, pen_width, RGB(0x20, 0x30, 0x60)));
  UniqueGdiObject hand(::CreatePen(PS_SOLID, pen_width + 1, RGB(0xB0, 0x20, 0x20)));
  if (!background || !face || !rim || !hand) return;

  ::FillRect(dc, &bounds, static_cast<HBRUSH>(background.Get()));
  {
    Selected pen(dc, rim.Get());
    Selected brush(dc, face.Get());
    ::Ellipse(dc, cx - radius, cy - radius, cx + radius + 1, cy + radius + 1);
    for (int hour = 0; hour < 12; hour += 3) {
      const POINT outer = OnCircle(cx, cy, radius, hour / 12.0);
      const POINT inner = OnCircle(cx, cy, radius * 0.75, hour / 12.0);
      ::MoveToEx(dc, outer.x, outer.y, nullptr);
      ::LineTo(dc, inner.x, inner.y);
    }
    const POINT short_hand = OnCircle(cx, cy, radius * 0.5, 10.0 / 12.0);
    ::MoveToEx(dc, cx, cy, nullptr);
    ::LineTo(dc, short_hand.x, short_hand.y);
  }
  Selected pen(dc, hand.Get());
  const POINT long_hand = OnCircle(cx, cy, radius * 0.85, 0.2);
  ::MoveToEx(dc, cx, cy, nullptr);
  ::LineTo(dc, long_hand.x, long_hand.y);
}

}  // namespace clickora::horolon
