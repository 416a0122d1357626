#include "platform/input_routing/hyprland_cursor.h"

#include <charconv>
#include <cstdint>

namespace clickora::platform::input_routing {
namespace {

// Reads an integer at the front of text and drops it; false when none is there.
bool TakeInteger(std::string_view& text, std::int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop == text.data()) return false;
  text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
  return true;
}

}  // namespace

std::optional<Point> ParseHyprlandCursorPos(std::string_view answer) {
  while (!answer.empty() &&
         (answer.back() == '\n' || answer.back() == '\r' || answer.back() == ' ')) {
    answer.remove_suffix(1);
  }
  Point point;
  if (!TakeInteger(answer, point.x)) return std::nullopt;
  if (!answer.starts_with(", ")) return std::nullopt;
  answer.remove_prefix(2);
  if (!TakeInteger(answer, point.y) || !answer.empty()) return std::nullopt;
  return point;
}

std::vector<std::string> HyprlandSocketPaths(const char* runtime_dir, const char* signature) {
  if (signature == nullptr) return {};
  const std::string_view name = signature;
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) {
    return {};
  }
  std::vector<std::string> paths;
  if (runtime_dir != nullptr && runtime_dir[0] == '/') {
    paths.push_back(std::string(runtime_dir) + "/hypr/" + std::string(name) + "/.socket.sock");
  }
  paths.push_back("/tmp/hypr/" + std::string(name) + "/.socket.sock");
  return paths;
}

}  // namespace clickora::platform::input_routing
