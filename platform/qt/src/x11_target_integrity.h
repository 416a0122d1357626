#pragma once

#include <optional>

#include "platform/target_integrity.h"

namespace clickora::platform::qt {

// X has no integrity levels: the server takes XTEST input for every client's window alike.
class X11TargetIntegrity final : public TargetIntegrity {
 public:
  ElevatedTarget AboveProgram(std::optional<Point>) override { return ElevatedTarget::kNone; }
};

}  // namespace clickora::platform::qt
