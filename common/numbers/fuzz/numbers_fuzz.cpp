// Fuzzes the text-to-number rules with arbitrary bytes. Invariants:
// - nothing crashes or trips the sanitizers, whatever the text;
// - the float texts read back: FloatGeneralText exactly, FormatThousandths to the value rounded
//   to thousandths (the leading bytes taken as a float's bits);
// - whatever IsNumericText accepts, TextToLong reads to a value or an overflow, never a type
//   mismatch, and whatever it rejects is a type mismatch; in the point and comma formats;
// - a number TextToLong reads lies within a half of the value LeadingNumber reads.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "numbers/number_format.h"
#include "numbers/number_to_text.h"
#include "numbers/runtime_error.h"
#include "numbers/text_to_number.h"

namespace {

using clickora::ErrorKind;
using clickora::RuntimeError;
namespace numbers = clickora::numbers;

void Require(bool condition, const char* what, std::string_view detail) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s: \"%.*s\"\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

void CheckFloatTexts(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(float)) return;
  float value = 0;
  std::memcpy(&value, data, sizeof value);
  if (!std::isfinite(value)) return;

  const std::string general = numbers::FloatGeneralText(value);
  Require(static_cast<float>(numbers::LeadingNumber(general)) == value, "general text", general);

  const std::string thousandths = numbers::FormatThousandths(value);
  // A float times 1000 is exact in a double, and std::round takes halves away from zero.
  const double expected = std::round(double{value} * 1000.0) / 1000.0;
  Require(numbers::LeadingNumber(thousandths) == expected, "thousandths", thousandths);

  if (size < sizeof(double)) return;
  double wide = 0;
  std::memcpy(&wide, data, sizeof wide);
  if (!std::isfinite(wide)) return;
  const std::string plain = numbers::NumberToText(wide);
  Require(numbers::LeadingNumber(plain) == wide, "plain text", plain);
}

void CheckTextToLong(std::string_view text, const numbers::NumberFormat& format,
                     bool compare_with_leading) {
  const bool numeric = numbers::IsNumericText(text, format);
  try {
    const std::int32_t value = numbers::TextToLong(text, format);
    Require(numeric, "read a text that is not numeric", text);
    if (compare_with_leading) {
      const double leading = numbers::LeadingNumber(text);
      Require(std::fabs(leading - value) <= 0.5 + 1e-9 * std::fabs(leading), "rounding", text);
    }
  } catch (const RuntimeError& error) {
    Require(numeric == (error.kind() == ErrorKind::kOverflow), "error kind", text);
    if (numeric && compare_with_leading) {
      Require(std::fabs(numbers::LeadingNumber(text)) >= 2147483647.5 * (1 - 1e-9), "overflow",
              text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const double leading = numbers::LeadingNumber(text);
  Require(!std::isnan(leading), "LeadingNumber gave NaN", text);
  try {
    numbers::RoundToLong(leading);
  } catch (const RuntimeError& error) {
    Require(error.kind() == ErrorKind::kOverflow, "RoundToLong error kind", text);
  }

  CheckFloatTexts(data, size);

  // LeadingNumber knows neither thousands separators nor line feeds inside a number; compare
  // with it only where the two rules read the same characters.
  const bool plain = text.find_first_of(",\n") == std::string_view::npos;
  CheckTextToLong(text, numbers::NumberFormat{".", ","}, plain);
  CheckTextToLong(text, numbers::NumberFormat{",", "."}, false);
  CheckTextToLong(text, numbers::NumberFormat{",", "\u00A0"}, false);
  return 0;
}
