// Fuzzes the sequential reader with arbitrary bytes. Invariants:
// - nothing crashes, and every read either takes some of the text or ends it;
// - no value holds a line end, and a value holds a comma only when it was quoted in the text;
// - lines without commas, quotes, line ends or leading spaces, written by the writer, read back
//   as the same values, one a line, and nothing after them.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sequential_file.h"

namespace {

using clickora::platform::SequentialReader;
using clickora::platform::SequentialWriter;

void Require(bool condition, const char* what, std::string_view detail) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s: \"%.*s\"\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

void CheckReading(std::string_view text) {
  SequentialReader reader{std::string(text)};
  std::size_t count = 0;
  while (const auto value = reader.ReadValue()) {
    // Every value but a last one after a comma takes at least one character of the text.
    Require(++count <= text.size() + 1, "more values than characters", text);
    Require(value->find_first_of("\r\n") == std::string::npos, "line end", *value);
    if (value->find(',') != std::string::npos) {
      Require(text.find('"' + *value) != std::string_view::npos, "unquoted comma", *value);
    }
  }
  Require(!reader.ReadValue(), "a value after the end", text);
}

void CheckRoundTrip(std::string_view text) {
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else if (c != ',' && c != '"' && c != '\r' && !(c == ' ' && lines.back().empty())) {
      lines.back().push_back(c);
    }
  }
  SequentialWriter writer;
  for (const auto& line : lines) writer.WriteLine(line);
  SequentialReader reader{writer.text()};
  for (const auto& line : lines) {
    const auto value = reader.ReadValue();
    Require(value.has_value() && *value == line, "round trip", line);
  }
  Require(!reader.ReadValue(), "a value after the last line", writer.text());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckReading(text);
  CheckRoundTrip(text);
  return 0;
}
