#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace clickora::platform {

// Reads a settings file's text as a sequence of values, the way the form runtime's sequential
// input reads them:
// - a value ends at a line end (CR LF, LF or CR) or at a comma;
// - spaces in front of a value are skipped; spaces after it are kept;
// - a value that begins with a double quote is taken without its quotes, commas included. It ends
//   at the closing quote or, when that is missing, at the line end, so a stray quote never
//   swallows the lines after it. Whatever follows the closing quote up to the next delimiter is
//   dropped;
// - an empty line is an empty value, and so is the end of the text right after a comma;
// - at the end of the text there is no value.
class SequentialReader {
 public:
  explicit SequentialReader(std::string text) : text_(std::move(text)) {}

  // The next value, or nothing once the text is used up.
  std::optional<std::string> ReadValue();

 private:
  void SkipToDelimiter();
  void TakeDelimiter();

  std::string text_;
  std::size_t pos_ = 0;
  bool after_comma_ = false;  // a comma promises one more value, even at the end of the text
};

// Builds a settings file's text: each text as it is, followed by CR LF.
class SequentialWriter {
 public:
  void WriteLine(std::string_view line);
  const std::string& text() const noexcept { return text_; }

 private:
  std::string text_;
};

}  // namespace clickora::platform
