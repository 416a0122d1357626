#include "platform/input_routing/output_layout.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace clickora::platform::input_routing {
namespace {

std::int64_t Right(const OutputArea& area) {
  return std::int64_t{area.x} + area.width;
}
std::int64_t Bottom(const OutputArea& area) {
  return std::int64_t{area.y} + area.height;
}

// The nearest value of [low, high) to value; low when the range is empty.
std::int64_t ClampInto(std::int64_t value, std::int64_t low, std::int64_t high) {
  return std::max(low, std::min(value, high - 1));
}

}  // namespace

OutputArea BoundingBox(std::span<const OutputArea> outputs) {
  if (outputs.empty()) return {};
  std::int64_t left = std::numeric_limits<std::int64_t>::max();
  std::int64_t top = left;
  std::int64_t right = std::numeric_limits<std::int64_t>::min();
  std::int64_t bottom = right;
  for (const OutputArea& output : outputs) {
    left = std::min<std::int64_t>(left, output.x);
    top = std::min<std::int64_t>(top, output.y);
    right = std::max(right, Right(output));
    bottom = std::max(bottom, Bottom(output));
  }
  return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
          static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top)};
}

std::optional<std::size_t> PrimaryIndex(std::span<const OutputArea> outputs,
                                        std::optional<std::size_t> named) {
  if (outputs.empty()) return std::nullopt;
  if (named && *named < outputs.size()) return named;
  const auto at_origin = std::find_if(outputs.begin(), outputs.end(), [](const OutputArea& output) {
    return output.x == 0 && output.y == 0;
  });
  if (at_origin != outputs.end()) return static_cast<std::size_t>(at_origin - outputs.begin());
  return 0;
}

Point ToLayout(Point program_point, const OutputArea& primary) {
  return {program_point.x + primary.x, program_point.y + primary.y};
}

Point ToProgram(Point layout_point, const OutputArea& primary) {
  return {layout_point.x - primary.x, layout_point.y - primary.y};
}

std::optional<AbsoluteMotion> MotionWithin(const OutputArea& box, Point layout_point) {
  if (box.width <= 0 || box.height <= 0) return std::nullopt;
  const std::int64_t x = ClampInto(layout_point.x, box.x, Right(box)) - box.x;
  const std::int64_t y = ClampInto(layout_point.y, box.y, Bottom(box)) - box.y;
  return AbsoluteMotion{static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                        static_cast<std::uint32_t>(box.width),
                        static_cast<std::uint32_t>(box.height)};
}

std::optional<StreamPoint> ChooseStream(std::span<const StreamArea> streams, Point layout_point) {
  std::optional<StreamPoint> best;
  std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const OutputArea& stream = streams[i].area;
    const double scale = streams[i].scale;
    if (stream.width <= 0 || stream.height <= 0) continue;
    const std::int64_t x = ClampInto(layout_point.x, stream.x, Right(stream));
    const std::int64_t y = ClampInto(layout_point.y, stream.y, Bottom(stream));
    const std::int64_t dx = x - layout_point.x;
    const std::int64_t dy = y - layout_point.y;
    const std::int64_t distance = dx * dx + dy * dy;
    // The first of equally near streams wins; a stream holding the point is at distance 0.
    if (distance < best_distance) {
      best_distance = distance;
      best = StreamPoint{i, static_cast<double>(x - stream.x) * scale,
                         static_cast<double>(y - stream.y) * scale};
    }
  }
  return best;
}

}  // namespace clickora::platform::input_routing
