#pragma once

#include <cstdint>

namespace clickora::platform {

// The system's millisecond counter: milliseconds since the system started, as an unsigned 32-bit
// count that wraps to 0 after 2^32 ms (about 49.7 days). Consumers that measure long spans extend
// it to 64 bits themselves.
class MillisecondClock {
 public:
  virtual ~MillisecondClock() = default;
  virtual std::uint32_t NowMs() = 0;
};

}  // namespace clickora::platform
