#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace clickora::numbers::detail {

// A decimal number kept exactly as it was written: value = ±0.digits × 10^point. Reading into
// this form first lets rounding to a whole number look at the written digits rather than at a
// binary approximation of them (2147483647.4999999999 must not round like 2147483647.5).
struct Decimal {
  bool negative = false;
  std::string digits;  // significant digits, no leading zeros; empty for zero
  // A non-zero digit was dropped beyond kMaxDigits: the value lies just above the kept digits.
  bool dropped_nonzero = false;
  std::int64_t point = 0;
};

// More digits than any double needs for correct rounding (767 decide the last halfway case);
// the rest only matter as "zero or not".
inline constexpr std::size_t kMaxDigits = 800;

// Collects the digits of a number as they are read, then its exponent.
class DecimalBuilder {
 public:
  void SetNegative(bool negative) { value_.negative = negative; }
  void IntegerDigit(char digit);
  void FractionDigit(char digit);
  // Adds one digit to the written exponent; saturates far beyond any meaningful value.
  void ExponentDigit(char digit);
  void SetExponentNegative(bool negative) { exponent_negative_ = negative; }
  Decimal Finish() const;

 private:
  void Keep(char digit);

  Decimal value_;
  std::int64_t exponent_ = 0;
  bool exponent_negative_ = false;
};

// The double nearest to the decimal; ±infinity beyond the double range, ±0 below it.
double ToDouble(const Decimal& decimal) noexcept;

enum class RoundResult { kOk, kOverflow };

// Rounds to the nearest whole number, an exact half to the even neighbour, and checks the 32-bit
// signed range.
RoundResult RoundToInt32(const Decimal& decimal, std::int32_t& result) noexcept;

}  // namespace clickora::numbers::detail
