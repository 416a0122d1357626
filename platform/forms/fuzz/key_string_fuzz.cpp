// Fuzzes the key-string parser with arbitrary bytes. Invariants:
// - nothing crashes or throws, whatever the length of a group ("{F99999999999999999999}");
// - every character is a Unicode scalar value, and there are never more strokes than bytes;
// - a string without braces types one character per UTF-8 character, and valid text types back
//   exactly as it was written.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/forms/key_string.h"

namespace {

using clickora::platform::forms::KeyStroke;
using clickora::platform::forms::ParseKeyString;

void Require(bool condition, const char* what, std::string_view detail) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s: \"%.*s\"\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

// Encodes a scalar value as UTF-8.
void Append(std::string& text, char32_t c) {
  if (c < 0x80) {
    text.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    text.push_back(static_cast<char>(0xC0 | (c >> 6)));
    text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    text.push_back(static_cast<char>(0xE0 | (c >> 12)));
    text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    text.push_back(static_cast<char>(0xF0 | (c >> 18)));
    text.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view keys(reinterpret_cast<const char*>(data), size);
  const auto strokes = ParseKeyString(keys);
  Require(strokes.size() <= keys.size(), "more strokes than bytes", keys);
  bool replaced = false;
  std::string typed;
  for (const KeyStroke& stroke : strokes) {
    if (stroke.key) continue;
    const char32_t c = stroke.character;
    Require(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF), "not a scalar value", keys);
    replaced = replaced || c == 0xFFFD;
    Append(typed, c);
  }
  if (keys.find_first_of("{}") == std::string_view::npos) {
    std::size_t characters = 0;
    for (const char c : keys) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    Require(strokes.size() >= characters, "a character lost", keys);
    // Without a replacement, the text was valid UTF-8 and types back byte for byte.
    if (!replaced) Require(typed == keys, "typed text differs", keys);
  }
  return 0;
}
