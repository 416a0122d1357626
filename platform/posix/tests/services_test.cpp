#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>

#include "platform/posix/posix_services.h"

namespace clickora::platform::posix {
namespace {

// Milliseconds of a system clock, modulo 2^32 as the program's clock counts them.
std::uint32_t ClockMs(clockid_t id) {
  timespec now{};
  EXPECT_EQ(clock_gettime(id, &now), 0);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u);
}

TEST(PosixServicesTest, ClockIsTheBootTimeClockInMilliseconds) {
  // Read between two readings of the boot-time clock; on a machine that has slept, the
  // monotonic clock lags behind it by the time asleep and would fall outside.
  MonotonicClock clock;
  const std::uint32_t before = ClockMs(CLOCK_BOOTTIME);
  const std::uint32_t reading = clock.NowMs();
  const std::uint32_t after = ClockMs(CLOCK_BOOTTIME);
  EXPECT_LE(reading - before, after - before);  // modulo 2^32, so across a wrap too
  const std::uint32_t asleep = ClockMs(CLOCK_BOOTTIME) - ClockMs(CLOCK_MONOTONIC);
  std::printf("time asleep since boot: %u ms\n", static_cast<unsigned>(asleep));
}

TEST(PosixServicesTest, ClockNeverGoesBack) {
  MonotonicClock clock;
  std::uint32_t last = clock.NowMs();
  const std::uint32_t first = last;
  for (int i = 0; i < 2000; ++i) {
    const std::uint32_t now = clock.NowMs();
    EXPECT_LE(now - last, 1000u) << "went back or leapt at reading " << i;
    last = now;
  }
  EXPECT_LE(last - first, 1000u);
}

TEST(PosixServicesTest, TimeOfDayHasHoursMinutesAndSeconds) {
  ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
  EXPECT_TRUE(std::regex_match(LocalTimeOfDay().NowText(), std::regex(R"(\d\d:\d\d:\d\d)")));
}

TEST(PosixServicesTest, ProgramFolderHoldsTheProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_NE(folder.back(), '/');
  EXPECT_EQ(access((folder + "/clickora_platform_posix_tests").c_str(), X_OK), 0);
}

TEST(PosixServicesTest, UserNumberFormatFollowsTheLocale) {
  const struct {
    const char* locale;
    const char* decimal;
    const char* thousands;
  } kCases[] = {
      {"C", ".", ""},
      {"de_DE.UTF-8", ",", "."},
      {"en_US.UTF-8", ".", ","},
  };
  for (const auto& c : kCases) {
    if (std::setlocale(LC_NUMERIC, c.locale) == nullptr) {
      std::printf("locale %s is not installed; skipped\n", c.locale);
      continue;
    }
    const numbers::NumberFormat format = UserNumberFormat();
    EXPECT_EQ(format.decimal_separator, c.decimal) << c.locale;
    EXPECT_EQ(format.thousands_separator, c.thousands) << c.locale;
  }
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace clickora::platform::posix
