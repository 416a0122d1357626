#include "platform/forms/key_string.h"

#include <string>

namespace clickora::platform::forms {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';  // never the locale's digits, and defined for every byte
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::optional<NamedKey> KeyNamed(std::string_view group) {
  std::string name(group);
  for (char& c : name) c = UpperAscii(c);
  if (name.size() >= 2 && name[0] == 'F') {
    // The number is read digit by digit and given up past 16, so no length of digits overflows.
    int number = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
      if (!IsDigit(name[i])) return std::nullopt;
      number = number * 10 + (name[i] - '0');
      if (number > 16) return std::nullopt;
    }
    if (number < 1) return std::nullopt;
    return static_cast<NamedKey>(static_cast<int>(NamedKey::kF1) + number - 1);
  }
  static constexpr struct {
    std::string_view name;
    NamedKey key;
  } kNames[] = {
      {"ENTER", NamedKey::kEnter},  {"TAB", NamedKey::kTab},
      {"ESC", NamedKey::kEscape},   {"ESCAPE", NamedKey::kEscape},
      {"BS", NamedKey::kBackspace}, {"BACKSPACE", NamedKey::kBackspace},
      {"DEL", NamedKey::kDelete},   {"DELETE", NamedKey::kDelete},
      {"UP", NamedKey::kUp},        {"DOWN", NamedKey::kDown},
      {"LEFT", NamedKey::kLeft},    {"RIGHT", NamedKey::kRight},
      {"HOME", NamedKey::kHome},    {"END", NamedKey::kEnd},
  };
  for (const auto& entry : kNames) {
    if (name == entry.name) return entry.key;
  }
  return std::nullopt;
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Decodes the UTF-8 character at keys[i] and advances i past it. A byte that starts no valid
// character (overlong, surrogate, beyond U+10FFFF, cut short) stands for U+FFFD and is skipped
// alone, so the next character is read from the next byte.
char32_t DecodeCharacter(std::string_view keys, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(keys[i]);
  std::size_t length = 0;
  char32_t code = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (keys.size() - i < length) {
    ++i;
    return kReplacement;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(keys[i + k]);
    if (!IsContinuation(byte)) {
      ++i;
      return kReplacement;
    }
    code = (code << 6) | (byte & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += length;
  return code;
}

}  // namespace

std::vector<KeyStroke> ParseKeyString(std::string_view keys) {
  std::vector<KeyStroke> strokes;
  std::size_t i = 0;
  while (i < keys.size()) {
    if (keys[i] != '{') {
      strokes.push_back({std::nullopt, DecodeCharacter(keys, i)});
      continue;
    }
    // "{}}" names the closing brace, so a group ends at the first '}' after its first character.
    const std::size_t end = keys.find('}', i + 2);
    if (end == std::string_view::npos) return {};
    const std::string_view name = keys.substr(i + 1, end - i - 1);
    if (name == "{" || name == "}") {
      strokes.push_back({std::nullopt, static_cast<char32_t>(name[0])});
    } else if (const std::optional<NamedKey> key = KeyNamed(name)) {
      strokes.push_back({key, 0});
    } else {
      return {};
    }
    i = end + 1;
  }
  return strokes;
}

}  // namespace clickora::platform::forms
