#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace clickora::platform::win32 {

// One keystroke of a key string: a virtual key ({F1}, {ENTER}) or a character typed as it is.
struct KeyStroke {
  enum class Kind : std::uint8_t { kVirtualKey, kCharacter };
  Kind kind = Kind::kCharacter;
  std::uint32_t code = 0;  // VK_ code or UTF-32 character
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The strokes of a key string in the runtime's notation (read by forms::ParseKeyString), with
// the named keys as virtual keys.
std::vector<KeyStroke> ParseKeyString(std::string_view keys);

}  // namespace clickora::platform::win32
