#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>

#include "platform/posix/posix_services.h"

namespace clickora::platform::posix {
namespace {

TEST(PosixServicesTest, ClockIsTheMonotonicClockInMilliseconds) {
  // The standard library's steady clock reads the same monotonic clock by another route.
  auto steady_ms = [] {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  };
  MonotonicClock clock;
  const std::uint32_t before = steady_ms();
  const std::uint32_t reading = clock.NowMs();
  const std::uint32_t after = steady_ms();
  EXPECT_LE(reading - before, after - before);  // modulo 2^32, so across a wrap too
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
