#include <time.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string>

#include "platform/posix/posix_services.h"

namespace clickora::platform::posix {

std::uint32_t MonotonicClock::NowMs() {
  timespec now{};
  // The boot-time clock goes on while the machine sleeps, as the system counter of Windows does,
  // so a period that spans a suspend comes due by real time. It cannot fail with a valid clock
  // id and pointer.
  clock_gettime(CLOCK_BOOTTIME, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
  return static_cast<std::uint32_t>(ms);
}

std::string LocalTimeOfDay::NowText() {
  return TextAfterSeconds(0);
}

std::string LocalTimeOfDay::TextAfterSeconds(double seconds) {
  const std::time_t now = std::time(nullptr) + static_cast<std::time_t>(std::floor(seconds));
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  std::array<char, 128> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%X", &local);
  return std::string(text.data(), length);
}

}  // namespace clickora::platform::posix
