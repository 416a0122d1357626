#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program_services.h"

namespace clickora::platform::input_routing {

// The pointer's position in Hyprland's answer to `cursorpos` ("x, y", the layout's logical
// coordinates); nullopt for an answer of any other shape.
std::optional<Point> ParseHyprlandCursorPos(std::string_view answer);

// Where Hyprland's request socket may be, newest layout first ($XDG_RUNTIME_DIR/hypr/SIG, then
// /tmp/hypr/SIG of older releases). None without a signature, or for one that is not a plain
// name: it comes from the environment and must not lead the program elsewhere.
std::vector<std::string> HyprlandSocketPaths(const char* runtime_dir, const char* signature);

}  // namespace clickora::platform::input_routing
