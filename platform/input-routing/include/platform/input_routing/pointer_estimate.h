#pragma once

#include <optional>

#include "platform/program_services.h"

namespace clickora::platform::input_routing {

// Where the pointer is, as far as a program on a Wayland desktop can tell: the X server follows
// the pointer only while it is over an X window and keeps its last position otherwise. After the
// program has put the pointer somewhere, that point is shown until the X server reports a move.
class PointerEstimate {
 public:
  // The program put the pointer on point; x_position is what the X server reported just before.
  void Set(Point point, std::optional<Point> x_position);
  // The position to show, given what the X server reports now (nullopt: it reports nothing).
  std::optional<Point> Current(std::optional<Point> x_position) const;

 private:
  std::optional<Point> set_;
  std::optional<Point> x_at_set_;
};

}  // namespace clickora::platform::input_routing
