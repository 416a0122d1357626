#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "platform/input_routing/output_layout.h"
#include "platform/program_services.h"

namespace clickora::platform::input_routing {

// The point of a pick made on a surface that covers one output: the surface's coordinates
// (logical, fractional) plus the output's place in the layout, relative to the primary's
// top-left as the program shows points. The fraction is dropped toward the output's top-left,
// and a coordinate past the surface's edge (a compositor may round the surface's size) stays on
// the output. nullopt when `on` names no output.
std::optional<Point> PickedPoint(std::span<const OutputArea> outputs, std::size_t on,
                                 double surface_x, double surface_y);

}  // namespace clickora::platform::input_routing
