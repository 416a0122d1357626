#pragma once

#include <cstdint>
#include <optional>

#include "platform/program_services.h"

namespace clickora::platform {

// Which window, if any, would make the system drop a synthesised click because it runs with more
// rights than this program (on Windows, a higher integrity level: a program run as administrator).
enum class ElevatedTarget : std::uint8_t {
  kNone,        // none, or the system cannot tell: the click is tried
  kAtPoint,     // the top-level window at the point
  kForeground,  // the foreground window, which takes the input
};

class TargetIntegrity {
 public:
  virtual ~TargetIntegrity() = default;
  // Asks about the top-level window at point (when given) and the foreground window. A process
  // that cannot be asked counts as not higher.
  virtual ElevatedTarget AboveProgram(std::optional<Point> point) = 0;
};

}  // namespace clickora::platform
