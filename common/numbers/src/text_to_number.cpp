#include "numbers/text_to_number.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "decimal.h"
#include "numbers/runtime_error.h"

namespace clickora::numbers {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsExponentLetter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// Reads text for LeadingNumber: blanks, tabs and line feeds are invisible wherever they stand,
// so "1 2 3" reads as 123. The end of the text reads as '\0', which continues no number.
class BlankSkippingCursor {
 public:
  explicit BlankSkippingCursor(std::string_view text) : text_(text) {}

  char Peek() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  void Advance() { ++pos_; }

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

  std::string_view text_;
  std::size_t pos_ = 0;
};

int RadixDigit(char c, int radix) {
  int value = -1;
  if (IsDigit(c)) {
    value = c - '0';
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  }
  return value < radix ? value : -1;
}

// A hexadecimal or octal literal takes the width of the smallest integer type that holds its
// bits, as the form language types such literals: up to 16 bits it is a 16-bit integer and up to
// 32 bits a 32-bit one, both two's complement, so &HFFFF is -1, &H8000 is -32768 and &HFFFFFFFF
// is -1, while &H10000 is 65536. A literal wider than 32 bits, which that language rejects as an
// overflow, reads as its unsigned value: nothing here may fail, and wrapping it would invent a
// sign.
double ReadRadixLiteral(BlankSkippingCursor& cursor, int radix) {
  std::uint64_t bits = 0;
  double wide = 0.0;  // takes over once the bits no longer fit 64
  bool is_wide = false;
  for (int digit = RadixDigit(cursor.Peek(), radix); digit >= 0;
       digit = RadixDigit(cursor.Peek(), radix)) {
    cursor.Advance();
    if (!is_wide && bits > (UINT64_MAX - static_cast<unsigned>(digit)) / radix) {
      is_wide = true;
      wide = static_cast<double>(bits);
    }
    if (is_wide) {
      wide = wide * radix + digit;
    } else {
      bits = bits * radix + static_cast<unsigned>(digit);
    }
  }
  if (is_wide) return wide;
  if (bits <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits));
  if (bits <= 0xFFFFFFFF) return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
  return static_cast<double>(bits);
}

bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return !prefix.empty() && text.substr(pos, prefix.size()) == prefix;
}

// Reads the whole text in the user's number format, blanks (spaces, tabs) before and after aside.
// Thousands separators may stand anywhere among the whole-number digits after the first one, as
// typed numbers are not always grouped by threes.
std::optional<detail::Decimal> ParseFormattedNumber(std::string_view text,
                                                    const NumberFormat& format) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);

  const std::string_view decimal =
      format.decimal_separator.empty() ? std::string_view(".") : format.decimal_separator;
  // A format whose two separators are the same cannot be read both ways: the decimal one wins.
  const std::string_view thousands = format.thousands_separator == decimal
                                         ? std::string_view()
                                         : std::string_view(format.thousands_separator);

  detail::DecimalBuilder builder;
  std::size_t pos = 0;
  if (text[pos] == '+' || text[pos] == '-') builder.SetNegative(text[pos++] == '-');

  bool any_digit = false;
  while (pos < text.size()) {
    if (IsDigit(text[pos])) {
      builder.IntegerDigit(text[pos++]);
      any_digit = true;
    } else if (any_digit && StartsWith(text, pos, thousands)) {
      pos += thousands.size();
    } else {
      break;
    }
  }
  if (StartsWith(text, pos, decimal)) {
    pos += decimal.size();
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
      builder.FractionDigit(text[pos]);
      any_digit = true;
    }
  }
  if (!any_digit) return std::nullopt;

  if (pos < text.size() && IsExponentLetter(text[pos])) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      builder.SetExponentNegative(text[pos++] == '-');
    }
    if (pos == text.size() || !IsDigit(text[pos])) return std::nullopt;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) builder.ExponentDigit(text[pos]);
  }
  if (pos != text.size()) return std::nullopt;
  return builder.Finish();
}

[[noreturn]] void ThrowError(ErrorKind kind) {
  throw RuntimeError(kind, ErrorName(kind));
}

}  // namespace

double LeadingNumber(std::string_view text) noexcept {
  BlankSkippingCursor cursor(text);
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Advance();
  }

  if (cursor.Peek() == '&') {
    cursor.Advance();
    const char kind = cursor.Peek();
    int radix = 0;
    if (kind == 'H' || kind == 'h') radix = 16;
    if (kind == 'O' || kind == 'o') radix = 8;
    if (radix == 0) return 0.0;
    cursor.Advance();
    const double value = ReadRadixLiteral(cursor, radix);
    return negative ? -value : value;
  }

  detail::DecimalBuilder builder;
  builder.SetNegative(negative);
  bool any_digit = false;
  for (; IsDigit(cursor.Peek()); cursor.Advance()) {
    builder.IntegerDigit(cursor.Peek());
    any_digit = true;
  }
  if (cursor.Peek() == '.') {
    cursor.Advance();
    for (; IsDigit(cursor.Peek()); cursor.Advance()) {
      builder.FractionDigit(cursor.Peek());
      any_digit = true;
    }
  }
  if (!any_digit) return 0.0;

  // An exponent letter without digits ("1E", "1E+") leaves the number as it was.
  if (IsExponentLetter(cursor.Peek())) {
    cursor.Advance();
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
      builder.SetExponentNegative(cursor.Peek() == '-');
      cursor.Advance();
    }
    for (; IsDigit(cursor.Peek()); cursor.Advance()) builder.ExponentDigit(cursor.Peek());
  }
  return detail::ToDouble(builder.Finish());
}

bool IsNumericText(std::string_view text, const NumberFormat& format) noexcept {
  return ParseFormattedNumber(text, format).has_value();
}

std::int32_t TextToLong(std::string_view text, const NumberFormat& format) {
  const auto decimal = ParseFormattedNumber(text, format);
  if (!decimal) ThrowError(ErrorKind::kTypeMismatch);
  std::int32_t result = 0;
  if (detail::RoundToInt32(*decimal, result) != detail::RoundResult::kOk) {
    ThrowError(ErrorKind::kOverflow);
  }
  return result;
}

std::int32_t RoundToLong(double value) {
  // The range test comes first so that the arithmetic below stays exact: -2147483648.5 rounds to
  // the even -2147483648, while 2147483647.5 rounds to 2147483648, which is beyond the range.
  if (!(value >= -2147483648.5 && value < 2147483647.5)) ThrowError(ErrorKind::kOverflow);
  const double floor = std::floor(value);
  const double fraction = value - floor;  // exact for doubles of this size
  double rounded = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded += 1.0;
  return static_cast<std::int32_t>(rounded);
}

}  // namespace clickora::numbers
