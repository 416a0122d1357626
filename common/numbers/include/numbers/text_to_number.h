#pragma once

#include <cstdint>
#include <string_view>

#include "numbers/number_format.h"

namespace clickora::numbers {

// The number that text begins with. Blanks, tabs and line feeds are skipped wherever they stand;
// then an optional sign, digits, "." as the only decimal separator whatever the locale, and an
// optional exponent written with E or D; "&H" and "&O" read hexadecimal and octal numbers.
// Reading stops at the first character that cannot continue the number (a comma or a currency
// sign ends it). Text that does not begin with a number, the empty text included, gives 0.
double LeadingNumber(std::string_view text) noexcept;

// True when the whole text, blanks before and after aside, reads as one number in the user's
// number format: optional sign, digits, the locale's decimal and thousands separators, optional
// exponent. The empty text is not numeric.
bool IsNumericText(std::string_view text, const NumberFormat& format) noexcept;

// Reads text as IsNumericText does and rounds it to the nearest whole number, an exact half going
// to the even neighbour. Throws RuntimeError: kTypeMismatch when the text is not numeric,
// kOverflow when the value lies outside the 32-bit signed range.
std::int32_t TextToLong(std::string_view text, const NumberFormat& format);

// Rounds to the nearest whole number, halves to even; kOverflow outside the 32-bit signed range
// (NaN included).
std::int32_t RoundToLong(double value);

}  // namespace clickora::numbers
