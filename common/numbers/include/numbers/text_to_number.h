#pragma once

#include <cstdint>
#include <string_view>

#include "numbers/number_format.h"

namespace clickora::numbers {

// The number that text begins with. Blanks, tabs and line feeds are skipped wherever they stand
// ("1 2 3" is 123); then an optional sign, digits, "." as the only decimal separator whatever the
// locale, and an optional exponent written with E or D ("1E" and "1E+" are 1). Reading stops at
// the first character that cannot continue the number (a comma or a currency sign ends it). Text
// that does not begin with a number, the empty text included, gives 0. Beyond the double range
// the result is ±infinity ("1E+999") or 0; nothing fails.
// "&H" and "&O" (after the optional sign, which negates them) read hexadecimal and octal literals
// typed by width: up to 16 bits a 16-bit two's-complement integer (&HFFFF is -1, &H8000 is
// -32768), up to 32 bits a 32-bit one (&H10000 is 65536, &HFFFFFFFF is -1), and wider literals
// their unsigned value.
double LeadingNumber(std::string_view text) noexcept;

// True when the whole text, blanks (spaces, tabs) before and after aside, reads as one number in
// the user's number format: optional sign, digits, the locale's decimal separator, its thousands
// separator anywhere among the whole-number digits after the first ("1,2,3" passes, ",5" does
// not), optional exponent with E or D and at least one digit. Hexadecimal and octal literals are
// not numeric. The empty text is not numeric. A format whose separators are equal reads the
// separator as decimal; an empty decimal separator means ".".
bool IsNumericText(std::string_view text, const NumberFormat& format) noexcept;

// Reads text as IsNumericText does and rounds it to the nearest whole number, an exact half going
// to the even neighbour; halves are judged on the written digits, not on a binary approximation
// ("2147483647.49999999999" is in range, "2147483647.5" is not, "-2147483648.5" gives the even
// -2147483648). Throws RuntimeError: kTypeMismatch when the text is not numeric,
// kOverflow when the value lies outside the 32-bit signed range.
std::int32_t TextToLong(std::string_view text, const NumberFormat& format);

// Rounds to the nearest whole number, halves to even; kOverflow outside the 32-bit signed range
// (NaN included).
std::int32_t RoundToLong(double value);

}  // namespace clickora::numbers
