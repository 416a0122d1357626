#pragma once

#include <string>

namespace clickora::numbers {

// Plain decimal digits, a leading minus sign for negatives, no thousands separators; a whole
// value is written without a decimal part (5 gives "5", -2.5 gives "-2.5"). Never uses an
// exponent. Always "." as the decimal point.
std::string NumberToText(double value);

// The ".000" pattern: three decimals, rounded to the nearest thousandth (halves away from zero,
// judged on the exact binary value), whole-number digits only when not zero, and "." as the
// decimal point whatever the user's locale: 0.5 gives ".500", 90 gives "90.000", -1.25 gives
// "-1.250". Non-finite values give "0" digits never: inf and NaN are written as they read back
// through LeadingNumber (see the implementation).
std::string FormatThousandths(float value);

// The general text form of a 32-bit float used when saving: the shortest text with at most 7
// significant digits that reads back through LeadingNumber to the same float, or, for the floats
// that 7 digits cannot carry, the shortest that does (at most 9); exponent form ("1E+07",
// "1.5E-05") for very large and very small magnitudes; "." as the decimal point.
// LeadingNumber(FloatGeneralText(f)) == f for every finite f.
std::string FloatGeneralText(float value);

}  // namespace clickora::numbers
