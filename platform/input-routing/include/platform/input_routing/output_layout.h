#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/program_services.h"

namespace clickora::platform::input_routing {

// A monitor's part of the desktop in the compositor's logical coordinates: a scaled output
// covers its pixels divided by its scale. Program points are in the same units, relative to the
// primary monitor's top-left corner.
struct OutputArea {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const OutputArea&, const OutputArea&) = default;
};

// The smallest rectangle that holds every output; all zero when there is none.
OutputArea BoundingBox(std::span<const OutputArea> outputs);

// Which output is primary: the one the compositor names (GNOME, KDE) when it names one that
// exists, else the one whose top-left is the layout's origin (wlroots), else the first.
// nullopt only without outputs.
std::optional<std::size_t> PrimaryIndex(std::span<const OutputArea> outputs,
                                        std::optional<std::size_t> named = std::nullopt);

// A program point (relative to the primary's top-left) in the layout's coordinates.
Point ToLayout(Point program_point, const OutputArea& primary);
// A layout point relative to the primary's top-left, as the program shows it.
Point ToProgram(Point layout_point, const OutputArea& primary);

// An absolute motion of the wlroots virtual pointer: a position within the layout's bounding box
// and the box's size, which the compositor maps back onto the box.
struct AbsoluteMotion {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  std::uint32_t x_extent = 0;
  std::uint32_t y_extent = 0;
  friend bool operator==(const AbsoluteMotion&, const AbsoluteMotion&) = default;
};

// The motion that puts the pointer on a layout point. A point outside the box goes to the
// box's nearest edge, as a real pointer stops at the desktop's edge; nullopt without outputs.
std::optional<AbsoluteMotion> MotionWithin(const OutputArea& box, Point layout_point);

// A screen-cast stream of one monitor: the monitor's logical area, and the scale by which the
// stream's own pixels (its frames, the coordinates of pointer motions on it) exceed it.
struct StreamArea {
  OutputArea area;
  double scale = 1.0;
};

// A point on one of several screen-cast streams, one stream per monitor: the stream's index and
// the point relative to the stream's top-left, in the stream's pixels.
struct StreamPoint {
  std::size_t index = 0;
  double x = 0;
  double y = 0;
  friend bool operator==(const StreamPoint&, const StreamPoint&) = default;
};

// The stream that holds a layout point. A point on none of them (in a gap between monitors, or
// off the desktop) goes to the nearest point of the nearest stream, where a real pointer would
// stop; nullopt without streams.
std::optional<StreamPoint> ChooseStream(std::span<const StreamArea> streams, Point layout_point);

}  // namespace clickora::platform::input_routing
