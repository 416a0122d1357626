#include <time.h>

#include <algorithm>
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
  // The moment to the millisecond, then its whole second: a time 59.9 s ahead of 12:00:00.7 is
  // 12:01:00, not 12:00:59.
  timespec real{};
  clock_gettime(CLOCK_REALTIME, &real);
  const double then = static_cast<double>(real.tv_sec) + static_cast<double>(real.tv_nsec) / 1e9 +
                      std::max(0.0, seconds);
  const auto now = static_cast<std::time_t>(std::floor(then));
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  std::array<char, 128> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%X", &local);
  return std::string(text.data(), length);
}

}  // namespace clickora::platform::posix
