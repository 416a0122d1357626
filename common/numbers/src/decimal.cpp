#include "decimal.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace clickora::numbers::detail {
namespace {

// Exponents and digit counts are kept below this, so that sums of them never overflow int64.
constexpr std::int64_t kSaturation = 1'000'000'000'000;

// Decimal points beyond which a double is certainly infinite or zero: 0.1e310 is above
// DBL_MAX (1.8e308) and 0.999e-324 is below half the smallest denormal (4.9e-324).
constexpr std::int64_t kInfinitePoint = 310;
constexpr std::int64_t kZeroPoint = -324;

}  // namespace

void DecimalBuilder::Keep(char digit) {
  if (value_.digits.size() < kMaxDigits) {
    value_.digits.push_back(digit);
  } else if (digit != '0') {
    value_.dropped_nonzero = true;
  }
}

void DecimalBuilder::IntegerDigit(char digit) {
  if (value_.digits.empty() && digit == '0') return;  // a leading zero changes nothing
  Keep(digit);
  value_.point = std::min(value_.point + 1, kSaturation);
}

void DecimalBuilder::FractionDigit(char digit) {
  if (value_.digits.empty() && digit == '0') {
    value_.point = std::max(value_.point - 1, -kSaturation);
    return;
  }
  Keep(digit);
}

void DecimalBuilder::ExponentDigit(char digit) {
  exponent_ = std::min(exponent_ * 10 + (digit - '0'), kSaturation);
}

Decimal DecimalBuilder::Finish() const {
  Decimal result = value_;
  if (result.digits.empty()) {
    result.point = 0;
    return result;
  }
  result.point += exponent_negative_ ? -exponent_ : exponent_;
  return result;
}

double ToDouble(const Decimal& decimal) noexcept {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  double magnitude = 0.0;
  if (decimal.digits.empty() || decimal.point < kZeroPoint) {
    magnitude = 0.0;
  } else if (decimal.point > kInfinitePoint) {
    magnitude = kInfinity;
  } else {
    // "0.<digits>e<point>": the library conversion rounds correctly and ignores the locale.
    char text[kMaxDigits + 32];
    char* out = text;
    *out++ = '0';
    *out++ = '.';
    out = std::copy(decimal.digits.begin(), decimal.digits.end(), out);
    if (decimal.dropped_nonzero) *out++ = '1';
    *out++ = 'e';
    out = std::to_chars(out, text + sizeof text, decimal.point).ptr;
    auto [end, error] = std::from_chars(text, out, magnitude);
    if (error == std::errc::result_out_of_range) magnitude = decimal.point > 0 ? kInfinity : 0.0;
    (void)end;
  }
  return decimal.negative ? -magnitude : magnitude;
}

RoundResult RoundToInt32(const Decimal& decimal, std::int32_t& result) noexcept {
  result = 0;
  if (decimal.digits.empty() || decimal.point < 0) return RoundResult::kOk;  // below 0.1
  // 0.1 × 10^11 = 10^10 is beyond the range whatever the digits.
  if (decimal.point > 10) return RoundResult::kOverflow;

  const auto whole_count = static_cast<std::size_t>(decimal.point);
  std::int64_t whole = 0;
  for (std::size_t i = 0; i < whole_count; ++i) {
    whole = whole * 10 + (i < decimal.digits.size() ? decimal.digits[i] - '0' : 0);
  }

  // The fraction decides: above a half rounds up, below rounds down, an exact half goes even.
  bool up = false;
  if (whole_count < decimal.digits.size()) {
    const char first = decimal.digits[whole_count];
    const bool rest_nonzero =
        decimal.dropped_nonzero ||
        decimal.digits.find_first_not_of('0', whole_count + 1) != std::string::npos;
    up = first > '5' || (first == '5' && (rest_nonzero || whole % 2 != 0));
  }
  if (up) ++whole;

  const std::int64_t signed_value = decimal.negative ? -whole : whole;
  if (signed_value < std::numeric_limits<std::int32_t>::min() ||
      signed_value > std::numeric_limits<std::int32_t>::max()) {
    return RoundResult::kOverflow;
  }
  result = static_cast<std::int32_t>(signed_value);
  return RoundResult::kOk;
}

}  // namespace clickora::numbers::detail
