#include "numbers/number_to_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "numbers/text_to_number.h"

namespace clickora::numbers {
namespace {

constexpr float kInfF = std::numeric_limits<float>::infinity();

TEST(NumberToTextTest, WritesPlainDigits) {
  struct Case {
    double value;
    std::string_view text;
  };
  const Case cases[] = {
      {5, "5"},
      {-2.5, "-2.5"},
      {0, "0"},
      {-0.0, "0"},
      {0.1, "0.1"},
      {1e-7, "0.0000001"},
      {2147483648.0, "2147483648"},
      {1e20, "100000000000000000000"},
      {10000000, "10000000"},
      {std::numeric_limits<double>::infinity(), "Infinity"},
      {-std::numeric_limits<double>::infinity(), "-Infinity"},
      {std::nan(""), "NaN"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToText(c.value), c.text) << c.value;
  // Whatever the magnitude, the text reads back to the same double.
  for (const double value :
       {DBL_MAX, -DBL_MIN, std::numeric_limits<double>::denorm_min(), 1.0 / 3.0, -123456.789}) {
    const std::string text = NumberToText(value);
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    EXPECT_EQ(LeadingNumber(text), value) << text;
  }
}

struct TextCase {
  float value;
  std::string_view text;
};

TEST(FormatThousandthsTest, RoundsToThousandthsHalvesAwayFromZero) {
  const TextCase cases[] = {
      {0.5f, ".500"},
      {90.0f, "90.000"},
      {-1.25f, "-1.250"},
      {1.2345f, "1.235"},  // 1.23450005... as a float
      {1.23456f, "1.235"},
      {2.0005f, "2.000"},  // 2.00049996... as a float: below the half
      {0.0005f, ".001"},   // 0.000500000024... as a float
      {-0.0005f, "-.001"},
      {0.0004f, ".000"},
      {-0.0004f, ".000"},  // no "-.000": it would read back as negative zero
      {0.0f, ".000"},
      {-0.0f, ".000"},
      {999.9996f, "1000.000"},
      {-999.9996f, "-1000.000"},
      {2073600.5f, "2073600.500"},
      {16777216.0f, "16777216.000"},
      {FLT_MAX, "340282346638528859811704183484516925440.000"},
      {std::numeric_limits<float>::denorm_min(), ".000"},
      {kInfF, "1E+999"},
      {-kInfF, "-1E+999"},
      {std::numeric_limits<float>::quiet_NaN(), ".000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatThousandths(c.value), c.text) << c.value;
}

TEST(FormatThousandthsTest, ReadsBackAsTheRoundedValue) {
  // A float times 1000 is exact in a double (24 + 10 bits), so std::round, which takes halves
  // away from zero, gives the expected thousandths independently.
  for (std::uint32_t bits = 0x30000000; bits < 0x50000000; bits += 8191) {  // ~5e-10 to 8e9
    for (const float value : {std::bit_cast<float>(bits), -std::bit_cast<float>(bits)}) {
      const std::string text = FormatThousandths(value);
      const double thousandths = std::round(double{value} * 1000.0);
      EXPECT_EQ(LeadingNumber(text), thousandths / 1000.0) << text;
      EXPECT_EQ(text.substr(text.size() - 4, 1), ".") << text;
      EXPECT_NE(text, "-.000");
    }
  }
  EXPECT_EQ(LeadingNumber(FormatThousandths(kInfF)), std::numeric_limits<double>::infinity());
}

TEST(RoundToThousandthsTest, RoundsAsTheThousandthsTextReadsBack) {
  const struct {
    float value;
    double rounded;
  } cases[] = {
      {1.23456f, 1.235},
      {1.2345f, 1.235},  // 1.23450005... as a float
      {2.0005f, 2.0},    // 2.00049996... as a float: below the half
      {0.0005f, 0.001},
      {-0.0005f, -0.001},
      {0.0004f, 0.0},
      {-0.0004f, 0.0},
      {-0.0f, 0.0},
      {90.0f, 90.0},
      {2073600.5f, 2073600.5},
      {FLT_MAX, static_cast<double>(FLT_MAX)},
      {std::numeric_limits<float>::denorm_min(), 0.0},
      {std::numeric_limits<float>::quiet_NaN(), 0.0},
      {kInfF, std::numeric_limits<double>::infinity()},
      {-kInfF, -std::numeric_limits<double>::infinity()},
  };
  for (const auto& c : cases) {
    const double rounded = RoundToThousandths(c.value);
    EXPECT_EQ(rounded, c.rounded) << c.value;
    // A period that rounds to nothing must not pass as a negative one either.
    EXPECT_FALSE(rounded == 0.0 && std::signbit(rounded)) << c.value;
  }
}

TEST(FloatGeneralTextTest, WritesShortTexts) {
  const TextCase cases[] = {
      {0.0f, "0"},
      {-0.0f, "0"},
      {1.0f, "1"},
      {-1.0f, "-1"},
      {0.5f, "0.5"},
      {90.5f, "90.5"},
      {0.1f, "0.1"},
      {1.235f, "1.235"},
      {-1.25f, "-1.25"},
      {0.0001f, "0.0001"},
      {0.00012345f, "0.00012345"},
      {1.5e-5f, "1.5E-05"},
      {1e-5f, "1E-05"},
      {1234567.0f, "1234567"},
      {9999999.0f, "9999999"},
      {1e7f, "1E+07"},
      {-2.5e12f, "-2.5E+12"},
      {1e38f, "1E+38"},
      {std::numeric_limits<float>::denorm_min(), "1E-45"},
      {FLT_MIN, "1.1754944E-38"},
      // Floats that seven digits cannot carry get the eight or nine that they need.
      {2073600.5f, "2073600.5"},
      {12345678.0f, "1.2345678E+07"},
      {16777216.0f, "1.6777216E+07"},
      {FLT_MAX, "3.4028235E+38"},
      {0.1f + 0.2f, "0.3"},
      {1.0f + FLT_EPSILON, "1.0000001"},
      {std::nextafter(1e-5f, 1.0f), "1.0000001E-05"},
      {kInfF, "1E+999"},
      {-kInfF, "-1E+999"},
      {std::numeric_limits<float>::quiet_NaN(), "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatGeneralText(c.value), c.text) << c.value;
}

// The text must read back through LeadingNumber to the same float, and be the shortest that does.
void ExpectRoundTrip(float value) {
  const std::string text = FloatGeneralText(value);
  ASSERT_EQ(static_cast<float>(LeadingNumber(text)), value) << text;
  std::string significant;
  for (const char c : text.substr(0, text.find('E'))) {
    if (c >= '0' && c <= '9' && (c != '0' || !significant.empty())) significant.push_back(c);
  }
  const auto digits = static_cast<int>(significant.find_last_not_of('0') + 1);
  ASSERT_LE(digits, 9) << text;
  if (digits > 1) {  // one digit fewer, correctly rounded, does not read back
    char shorter[32];
    std::snprintf(shorter, sizeof shorter, "%.*e", digits - 2, double{value});
    ASSERT_NE(static_cast<float>(LeadingNumber(shorter)), value) << text;
  }
}

TEST(FloatGeneralTextTest, EveryFiniteFloatReadsBack) {
  // A stride over all bit patterns, both signs, denormals included.
  for (std::uint64_t bits = 0; bits <= 0xFFFFFFFF; bits += 32749) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
    if (std::isfinite(value)) ExpectRoundTrip(value);
  }
  // The edges of every binade, where the decimal spacing changes.
  for (std::uint32_t exponent = 0; exponent < 255; ++exponent) {
    for (std::uint32_t offset = 0; offset < 16; ++offset) {
      ExpectRoundTrip(std::bit_cast<float>((exponent << 23) + offset));
      ExpectRoundTrip(std::bit_cast<float>((exponent << 23) + 0x7FFFFF - offset));
    }
  }
  // Powers of ten and their neighbours, where the plain and exponent forms meet.
  for (int power = -45; power <= 38; ++power) {
    float value = static_cast<float>(std::pow(10.0, power));
    for (int step = 0; step < 3; ++step) value = std::nextafter(value, 0.0f);
    for (int step = 0; step < 7; ++step, value = std::nextafter(value, kInfF)) {
      ExpectRoundTrip(value);
      ExpectRoundTrip(-value);
    }
  }
  for (const float value : {FLT_MAX, -FLT_MAX, FLT_MIN, FLT_TRUE_MIN, 2073600.5f, 0.001f}) {
    ExpectRoundTrip(value);
  }
}

}  // namespace
}  // namespace clickora::numbers
