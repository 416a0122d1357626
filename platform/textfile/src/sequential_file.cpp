#include "platform/sequential_file.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace clickora::platform {
namespace {

constexpr std::string_view kDelimiters = ",\r\n";
constexpr std::string_view kQuotedEnds = "\"\r\n";

}  // namespace

std::optional<std::string> SequentialReader::ReadValue() {
  while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  if (pos_ == text_.size()) {
    if (!after_comma_) return std::nullopt;
    after_comma_ = false;
    return std::string();
  }

  std::string value;
  if (text_[pos_] == '"') {
    const auto start = pos_ + 1;
    const auto end = std::min(text_.find_first_of(kQuotedEnds, start), text_.size());
    value.assign(text_, start, end - start);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
    SkipToDelimiter();
  } else {
    const auto start = pos_;
    SkipToDelimiter();
    value.assign(text_, start, pos_ - start);
  }
  TakeDelimiter();
  return value;
}

void SequentialReader::SkipToDelimiter() {
  pos_ = std::min(text_.find_first_of(kDelimiters, pos_), text_.size());
}

void SequentialReader::TakeDelimiter() {
  after_comma_ = false;
  if (pos_ == text_.size()) return;
  const char delimiter = text_[pos_++];
  if (delimiter == ',') {
    after_comma_ = true;
  } else if (delimiter == '\r' && pos_ < text_.size() && text_[pos_] == '\n') {
    ++pos_;
  }
}

void SequentialWriter::WriteLine(std::string_view line) {
  text_.append(line);
  text_.append("\r\n");
}

}  // namespace clickora::platform
