#include "platform/input_routing/picked_point.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace clickora::platform::input_routing {
namespace {

std::int32_t OnOutput(double coordinate, std::int32_t extent) {
  const double floored = std::floor(coordinate);
  const double last = std::max<std::int32_t>(extent, 1) - 1;
  return static_cast<std::int32_t>(std::clamp(floored, 0.0, last));
}

}  // namespace

std::optional<Point> PickedPoint(std::span<const OutputArea> outputs, std::size_t on,
                                 double surface_x, double surface_y) {
  if (on >= outputs.size()) return std::nullopt;
  const std::optional<std::size_t> primary = PrimaryIndex(outputs);
  const OutputArea& output = outputs[on];
  const Point layout{output.x + OnOutput(surface_x, output.width),
                     output.y + OnOutput(surface_y, output.height)};
  return ToProgram(layout, outputs[*primary]);
}

}  // namespace clickora::platform::input_routing
