#include "numbers/number_to_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "numbers/text_to_number.h"

namespace clickora::numbers {
namespace {

// What the float texts write for values that have no digits. LeadingNumber reads "1E+999" as
// infinity, so an infinite Interval stays infinite (it never fires) after setting, saving and
// loading. NaN has no text that reads back; it is written as zero, which behaves the same way in
// the timer: neither counts towards an event.
constexpr std::string_view kPositiveInfinity = "1E+999";
constexpr std::string_view kNegativeInfinity = "-1E+999";

// The general text form writes plain digits for decimal exponents from -5 to 6 (0.0001 to
// 9999999) and the exponent form outside them, as the form runtime does for single-precision
// values: 1E+07, 1.5E-05.
constexpr int kSmallestPlainExponent = -4;
constexpr int kLargestPlainExponent = 6;

// Adds one to a string of decimal digits, growing it when every digit carries.
void IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

// Significant digits and decimal exponent of |value| rounded to `precision` digits:
// value ≈ d.ddd × 10^exponent.
struct Scientific {
  std::string digits;
  int exponent = 0;
  std::string exponent_text;  // sign and at least two digits, as in "+07" or "-45"
};

Scientific ToScientific(float value, int precision) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific, precision - 1);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const auto e = text.find('e');
  Scientific scientific;
  for (const char c : text.substr(0, e)) {
    if (c != '.') scientific.digits.push_back(c);
  }
  scientific.exponent_text = text.substr(e + 1);
  std::from_chars(text.data() + e + 2, text.data() + text.size(), scientific.exponent);
  if (text[e + 1] == '-') scientific.exponent = -scientific.exponent;
  const auto last = scientific.digits.find_last_not_of('0');
  scientific.digits.erase(last == std::string::npos ? 1 : last + 1);
  return scientific;
}

// NOTE: the texts are built with append: GCC 12 warns falsely (-Wrestrict) about
// "literal" + std::string at -O3.
std::string PlainText(const Scientific& s) {
  const auto count = static_cast<int>(s.digits.size());
  std::string text;
  if (s.exponent < 0) {
    text.append("0.").append(static_cast<std::size_t>(-s.exponent - 1), '0').append(s.digits);
  } else if (count <= s.exponent + 1) {
    text.append(s.digits).append(static_cast<std::size_t>(s.exponent + 1 - count), '0');
  } else {
    const auto whole = static_cast<std::size_t>(s.exponent + 1);
    text.append(s.digits, 0, whole).append(1, '.').append(s.digits, whole);
  }
  return text;
}

std::string ExponentText(const Scientific& s) {
  std::string text(1, s.digits[0]);
  if (s.digits.size() > 1) text.append(1, '.').append(s.digits, 1);
  return text.append(1, 'E').append(s.exponent_text);
}

std::string GeneralText(float value, int precision) {
  const Scientific s = ToScientific(value, precision);
  const bool plain = s.exponent >= kSmallestPlainExponent && s.exponent <= kLargestPlainExponent;
  std::string text = value < 0 ? "-" : "";
  return text.append(plain ? PlainText(s) : ExponentText(s));
}

}  // namespace

std::string NumberToText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0) return "0";  // negative zero included
  // The shortest digits that read back to the same double, written out without an exponent:
  // at most 309 whole digits (DBL_MAX) or 341 characters for the smallest denormal.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

std::string FormatThousandths(float value) {
  if (std::isnan(value)) return ".000";
  if (std::isinf(value)) return std::string(value > 0 ? kPositiveInfinity : kNegativeInfinity);

  // The exact decimal expansion of the float (no float has more than 149 decimals), so that the
  // rounding is judged on the value itself: 1.2345f is 1.23450005..., which rounds up.
  char buffer[256];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(double{value}),
                                    std::chars_format::fixed, 150);
  const std::string_view exact(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const auto dot = exact.find('.');
  std::string digits(exact.substr(0, dot));
  digits += exact.substr(dot + 1, 3);
  if (exact[dot + 4] >= '5') IncrementDigits(digits);  // halves away from zero

  const auto whole_end = digits.size() - 3;
  const auto first_nonzero = digits.find_first_not_of('0');
  std::string text;
  // A value that rounds to zero is written without a sign: "-.000" would read back as -0.
  if (value < 0 && first_nonzero != std::string::npos) text = "-";
  if (first_nonzero < whole_end) text.append(digits, first_nonzero, whole_end - first_nonzero);
  text += '.';
  text.append(digits, whole_end, 3);
  return text;
}

double RoundToThousandths(float value) {
  return LeadingNumber(FormatThousandths(value));
}

std::string FloatGeneralText(float value) {
  if (std::isnan(value)) return "0";
  if (std::isinf(value)) return std::string(value > 0 ? kPositiveInfinity : kNegativeInfinity);
  if (value == 0) return "0";
  // Seven significant digits do not tell every float apart (2073600.5 and 2073600 both print as
  // 2073600); the text then grows to the eight or nine digits that do, so that saving never
  // changes the value. The check goes through LeadingNumber, which is how the text is read back.
  // The shortest digits that read back directly as a float are where to start looking; one digit
  // fewer may still do through LeadingNumber's double, in the rare cases where rounding twice
  // lands on the float.
  char buffer[64];
  const auto shortest = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific);
  const std::string_view mantissa(buffer, std::find(buffer, shortest.ptr, 'e') - buffer);
  const auto digit_count = static_cast<int>(mantissa.size() - (mantissa.size() > 1 ? 1 : 0));
  std::string text;
  for (int precision = std::max(1, digit_count - 1); precision <= 9; ++precision) {
    text = GeneralText(value, precision);
    // NOTE: comparing the bits forces the double down to a real float; with x87 arithmetic (the
    // i686 build) a plain == may compare in extended precision.
    if (std::bit_cast<std::uint32_t>(static_cast<float>(LeadingNumber(text))) ==
        std::bit_cast<std::uint32_t>(value)) {
      return text;
    }
  }
  return text;  // nine digits always read back; kept for completeness
}

}  // namespace clickora::numbers
