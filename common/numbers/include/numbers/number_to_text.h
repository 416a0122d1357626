#pragma once

#include <string>

namespace clickora::numbers {

// Plain decimal digits, a leading minus sign for negatives, no thousands separators; a whole
// value is written without a decimal part (5 gives "5", -2.5 gives "-2.5"), any other value with
// the shortest decimals that read back to the same double. Never uses an exponent. Always "." as
// the decimal point. Negative zero gives "0"; infinities and NaN give "Infinity", "-Infinity" and
// "NaN".
std::string NumberToText(double value);

// The ".000" pattern: three decimals, rounded to the nearest thousandth (halves away from zero,
// judged on the exact binary value: 1.2345f is 1.23450005... and gives "1.235"), whole-number
// digits only when not zero, and "." as the decimal point whatever the user's locale: 0.5 gives
// ".500", 90 gives "90.000", -1.25 gives "-1.250". A value that rounds to zero has no sign
// (-0.0004 gives ".000", not "-.000"). Infinities give "1E+999" and "-1E+999", which
// LeadingNumber reads back as infinities; NaN, which no text reads back to, gives ".000".
std::string FormatThousandths(float value);

// The value FormatThousandths writes, read back: value rounded to the nearest thousandth as the
// ".000" pattern rounds it. A value that rounds to zero gives +0, NaN gives 0 and infinities
// stay infinities; never negative zero.
double RoundToThousandths(float value);

// The general text form of a 32-bit float used when saving: the shortest text with at most 7
// significant digits that reads back through LeadingNumber to the same float, or, for the floats
// that 7 digits cannot carry (2073600.5, 12345678), the shortest that does (8 or 9 digits).
// Plain digits for decimal exponents -4 to 6 (0.0001 to 9999999.x), the exponent form outside
// them ("1E+07", "1.5E-05", "3.4028235E+38"); "." as the decimal point. Zero of either sign gives
// "0", infinities "1E+999" and "-1E+999", NaN "0".
// LeadingNumber(FloatGeneralText(f)) == f for every finite f.
std::string FloatGeneralText(float value);

}  // namespace clickora::numbers
