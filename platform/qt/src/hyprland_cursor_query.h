#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/program_services.h"

namespace clickora::platform::qt {

// Asks Hyprland at its request socket where the pointer is (the layout's logical coordinates).
// nullopt when the socket is not there, the answer is not of the right shape or does not come
// within timeout.
std::optional<Point> AskHyprlandCursorPos(const std::string& socket_path,
                                          std::chrono::milliseconds timeout);

// Hyprland's word on the pointer for the read-out, which asks every millisecond: an answer is
// reused for a few milliseconds, and after one that fails the socket is not asked again for a
// second.
class HyprlandCursorWatch {
 public:
  // nullptr where the environment names no Hyprland instance.
  static std::unique_ptr<HyprlandCursorWatch> Start();
  explicit HyprlandCursorWatch(std::vector<std::string> socket_paths);

  std::optional<Point> Position();

 private:
  std::vector<std::string> socket_paths_;
  std::optional<Point> last_;
  std::chrono::steady_clock::time_point next_ask_;
};

}  // namespace clickora::platform::qt
