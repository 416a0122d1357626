#include "platform/input_routing/pointer_estimate.h"

namespace clickora::platform::input_routing {

void PointerEstimate::Set(Point point, std::optional<Point> x_position) {
  set_ = point;
  x_at_set_ = x_position;
}

std::optional<Point> PointerEstimate::Current(std::optional<Point> x_position) const {
  if (!set_) return x_position;
  // The X server's position has moved since: the pointer went over an X window, which it
  // follows again.
  if (x_position && x_position != x_at_set_) return x_position;
  return set_;
}

}  // namespace clickora::platform::input_routing
