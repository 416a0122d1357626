#include "numbers/text_to_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "numbers/number_format.h"
#include "numbers/runtime_error.h"

namespace clickora::numbers {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

const NumberFormat kDot{".", ","};
const NumberFormat kComma{",", "."};
const NumberFormat kCommaNbsp{",", "\u00A0"};

struct LeadingCase {
  std::string_view text;
  double expected;
};

TEST(LeadingNumberTest, ReadsTheNumberTheTextBeginsWith) {
  const LeadingCase cases[] = {
      // No number at all.
      {"", 0},
      {"   ", 0},
      {"abc", 0},
      {"-", 0},
      {".", 0},
      {"--5", 0},
      {"E3", 0},
      {"$5", 0},
      // Blanks, tabs and line feeds are invisible anywhere.
      {"1 2 3", 123},
      {" \t\n42", 42},
      {"4\n2\t.\t5", 42.5},
      {"- 5", -5},
      {"1 E 3", 1000},
      // Signs and the point.
      {"-5", -5},
      {"+5", 5},
      {"1.5", 1.5},
      {".5", 0.5},
      {"-.25", -0.25},
      {"5.", 5},
      {"1.2.3", 1.2},
      {"2073600.5", 2073600.5},
      // E and D exponents; a letter without digits leaves the number as it is.
      {"1E3", 1000},
      {"1e3", 1000},
      {"1D3", 1000},
      {"1d-3", 0.001},
      {"1.5E-05", 1.5e-5},
      {"1E+07", 1e7},
      {"1E", 1},
      {"1E+", 1},
      {"2E3E4", 2000},
      // A comma, a currency sign or any other character ends the number.
      {"1,234", 1},
      {"90,5", 90},
      {"5$", 5},
      {"12\u0E3F", 12},
      {"5\u20AC", 5},
      {"7 apples", 7},
      // Hexadecimal and octal literals, typed by width.
      {"&H10", 16},
      {"&hff", 255},
      {"& H 1 0", 16},
      {"&H7FFF", 32767},
      {"&H8000", -32768},
      {"&HFFFF", -1},
      {"&H10000", 65536},
      {"&H7FFFFFFF", 2147483647},
      {"&H80000000", -2147483648.0},
      {"&HFFFFFFFF", -1},
      {"&H0000FFFF", -1},
      {"&H100000000", 4294967296.0},
      {"&H10000000000000000", 18446744073709551616.0},
      {"-&H10", -16},
      {"&HFG", 15},
      {"&O17", 15},
      {"&o777", 511},
      {"&O177777", -1},
      {"&O8", 0},
      {"&H", 0},
      {"&X1", 0},
      {"&", 0},
      // Beyond the double range: infinity or zero, never a failure.
      {"1e400", kInf},
      {"-1e400", -kInf},
      {"1e-400", 0},
      {"1e99999999999999999999999999", kInf},
      {"0e999999999", 0},
      {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      // Correct rounding, also with more digits than a double carries.
      {"0.1000000000000000055511151231257827", 0.1},
      {"9007199254740993", 9007199254740992.0},
      {"9007199254740993.00000000000000000000000000001", 9007199254740994.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(LeadingNumberTest, ReadsVeryLongTexts) {
  // A thousand leading zeros and a shifting exponent still give the exact value.
  EXPECT_EQ(LeadingNumber("0." + std::string(1000, '0') + "1e1001"), 1.0);
  EXPECT_EQ(LeadingNumber("1" + std::string(2000, '0') + "e-2000"), 1.0);
  EXPECT_EQ(LeadingNumber(std::string(5000, '9')), kInf);
  EXPECT_EQ(LeadingNumber(std::string(5000, ' ') + "3"), 3.0);
  EXPECT_EQ(LeadingNumber("&H" + std::string(300, 'F')), kInf);
}

struct NumericCase {
  std::string_view text;
  const NumberFormat* format;
  bool numeric;
};

TEST(IsNumericTextTest, AcceptsWholeNumbersInTheUsersFormat) {
  const NumericCase cases[] = {
      {"5", &kDot, true},
      {" 5 ", &kDot, true},
      {"\t-5\t", &kDot, true},
      {"+5", &kDot, true},
      {".5", &kDot, true},
      {"5.", &kDot, true},
      {"1.5e3", &kDot, true},
      {"1.5E-3", &kDot, true},
      {"1D3", &kDot, true},
      {"1,000", &kDot, true},
      {"1,000,000.25", &kDot, true},
      {"1,2,3", &kDot, true},
      {"", &kDot, false},
      {"   ", &kDot, false},
      {".", &kDot, false},
      {"-", &kDot, false},
      {",5", &kDot, false},
      {"- 5", &kDot, false},
      {"5-", &kDot, false},
      {"1 000", &kDot, false},
      {"1.2.3", &kDot, false},
      {"1e", &kDot, false},
      {"1e+", &kDot, false},
      {"1e5x", &kDot, false},
      {"1.5,0", &kDot, false},
      {"&H10", &kDot, false},
      {"abc", &kDot, false},
      {"12\u0E3F", &kDot, false},
      // A comma-decimal locale: the point groups thousands.
      {"1,5", &kComma, true},
      {"1.000,5", &kComma, true},
      {"1.5", &kComma, true},
      {"1,5,5", &kComma, false},
      {"1,5e2", &kComma, true},
      // A non-breaking space groups thousands; an ordinary space does not.
      {"1\u00A0000,25", &kCommaNbsp, true},
      {"1 000,25", &kCommaNbsp, false},
      {"1\u00A0000.25", &kCommaNbsp, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNumericText(c.text, *c.format), c.numeric) << '"' << c.text << '"';
  }
}

TEST(IsNumericTextTest, FallsBackSensiblyOnOddFormats) {
  // No decimal separator reported: the point. The same separator both ways: decimal wins.
  EXPECT_TRUE(IsNumericText("1.5", NumberFormat{"", ""}));
  EXPECT_TRUE(IsNumericText("1,5", NumberFormat{",", ","}));
  EXPECT_FALSE(IsNumericText("1,5,5", NumberFormat{",", ","}));
}

struct LongCase {
  std::string_view text;
  const NumberFormat* format;
  std::optional<std::int32_t> expected;  // nullopt: overflow
};

TEST(TextToLongTest, RoundsHalvesToEvenWithinTheRange) {
  const LongCase cases[] = {
      {"2.5", &kDot, 2},
      {"3.5", &kDot, 4},
      {"-2.5", &kDot, -2},
      {"-3.5", &kDot, -4},
      {"0.5", &kDot, 0},
      {"1.5", &kDot, 2},
      {"0.49", &kDot, 0},
      {"0.51", &kDot, 1},
      {"0.05", &kDot, 0},
      {"-0.5", &kDot, 0},
      // Halves are judged on the written digits, not on a binary approximation.
      {"2.50000000000000000000001", &kDot, 3},
      {"2.49999999999999999999999", &kDot, 2},
      {"2147483647.49999999999", &kDot, 2147483647},
      // Range limits.
      {"2147483647", &kDot, 2147483647},
      {"2147483647.4", &kDot, 2147483647},
      {"2147483647.5", &kDot, std::nullopt},
      {"2147483648", &kDot, std::nullopt},
      {"-2147483648", &kDot, INT32_MIN},
      {"-2147483648.5", &kDot, INT32_MIN},
      {"-2147483648.500001", &kDot, std::nullopt},
      {"-2147483649", &kDot, std::nullopt},
      {"12345678901234567890", &kDot, std::nullopt},
      // Exponents.
      {"1e9", &kDot, 1000000000},
      {"1e10", &kDot, std::nullopt},
      {"25e-1", &kDot, 2},
      {"0e999999999", &kDot, 0},
      {"1e-999999999", &kDot, 0},
      {"1e99999999999999999999", &kDot, std::nullopt},
      {"00000000000000000000042", &kDot, 42},
      {" 42 ", &kDot, 42},
      // Thousands separators and other locales.
      {"1,000", &kDot, 1000},
      {"-1,234,567.5", &kDot, -1234568},
      {"1,5", &kComma, 2},
      {"2,5", &kComma, 2},
      {"1.000.000", &kComma, 1000000},
      {"1\u00A0000,5", &kCommaNbsp, 1000},
  };
  for (const auto& c : cases) {
    if (c.expected) {
      EXPECT_EQ(TextToLong(c.text, *c.format), *c.expected) << '"' << c.text << '"';
    } else {
      try {
        TextToLong(c.text, *c.format);
        ADD_FAILURE() << '"' << c.text << "\" gave no overflow";
      } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::kOverflow) << '"' << c.text << '"';
        EXPECT_STREQ(error.what(), "Overflow");
      }
    }
  }
}

TEST(TextToLongTest, TextThatIsNotNumericIsATypeMismatch) {
  for (const std::string_view text : {"", " ", "abc", "&H10", "1 2", "5x", "1.5.5", "1e"}) {
    try {
      TextToLong(text, kDot);
      ADD_FAILURE() << '"' << text << "\" was read";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.kind(), ErrorKind::kTypeMismatch) << '"' << text << '"';
      EXPECT_STREQ(error.what(), "Type mismatch");
    }
  }
}

TEST(RoundToLongTest, RoundsHalvesToEvenAndChecksTheRange) {
  struct Case {
    double value;
    std::optional<std::int32_t> expected;
  };
  const Case cases[] = {
      {2.5, 2},
      {3.5, 4},
      {-2.5, -2},
      {-3.5, -4},
      {-0.5, 0},
      {0.49999999999999994, 0},
      {1e-300, 0},
      {2147483647.4, 2147483647},
      {2147483647.5, std::nullopt},
      {-2147483648.5, INT32_MIN},
      {std::nextafter(-2147483648.5, -kInf), std::nullopt},
      {kInf, std::nullopt},
      {-kInf, std::nullopt},
      {std::nan(""), std::nullopt},
  };
  for (const auto& c : cases) {
    if (c.expected) {
      EXPECT_EQ(RoundToLong(c.value), *c.expected) << c.value;
    } else {
      EXPECT_THROW(RoundToLong(c.value), RuntimeError) << c.value;
    }
  }
}

}  // namespace
}  // namespace clickora::numbers
