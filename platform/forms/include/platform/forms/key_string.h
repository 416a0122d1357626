#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace clickora::platform::forms {

// The keys that the key-string notation names in braces. Each backend maps them to its own key
// codes; a key that a backend lacks is a fault of that backend's table, not of the string.
enum class NamedKey : std::uint8_t {
  kF1,
  kF2,
  kF3,
  kF4,
  kF5,
  kF6,
  kF7,
  kF8,
  kF9,
  kF10,
  kF11,
  kF12,
  kF13,
  kF14,
  kF15,
  kF16,
  kEnter,
  kTab,
  kEscape,
  kBackspace,
  kDelete,
  kUp,
  kDown,
  kLeft,
  kRight,
  kHome,
  kEnd,
};
inline constexpr std::size_t kNamedKeyCount = static_cast<std::size_t>(NamedKey::kEnd) + 1;

// One keystroke: a named key, or a character (a Unicode scalar value) typed as it is.
struct KeyStroke {
  std::optional<NamedKey> key;  // nullopt: the stroke types character
  char32_t character = 0;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// Reads the key-string notation: "{F1}" .. "{F16}", "{ENTER}", "{TAB}", "{ESC}", "{BS}", "{DEL}",
// the arrows and "{HOME}"/"{END}" (names in any letter case), "{{}" and "{}}" for the braces;
// every other UTF-8 character stands for itself (a byte that starts no valid one for U+FFFD).
// A string with a group that names no key, or a group left open, types nothing at all: half of
// a string could do what the whole did not mean.
std::vector<KeyStroke> ParseKeyString(std::string_view keys);

}  // namespace clickora::platform::forms
