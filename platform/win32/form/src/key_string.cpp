#include "key_string.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

bool NamedKey(std::string name, std::uint32_t& vk) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  if (name.size() >= 2 && name[0] == 'F' && std::all_of(name.begin() + 1, name.end(), ::isdigit)) {
    const int n = std::stoi(name.substr(1));
    if (n < 1 || n > 16) return false;
    vk = static_cast<std::uint32_t>(VK_F1 + n - 1);
    return true;
  }
  static constexpr struct {
    const char* name;
    std::uint32_t vk;
  } kNames[] = {{"ENTER", VK_RETURN},  {"TAB", VK_TAB},      {"ESC", VK_ESCAPE},
                {"ESCAPE", VK_ESCAPE}, {"BS", VK_BACK},      {"BACKSPACE", VK_BACK},
                {"DEL", VK_DELETE},    {"DELETE", VK_DELETE}};
  for (const auto& entry : kNames) {
    if (name == entry.name) {
      vk = entry.vk;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<KeyStroke> ParseKeyString(std::string_view keys) {
  std::vector<KeyStroke> strokes;
  std::size_t i = 0;
  while (i < keys.size()) {
    if (keys[i] == '{') {
      // "{}}" names the closing brace, so the group ends at the first '}' after its first
      // character.
      const std::size_t end = keys.find('}', i + 2);
      if (end == std::string_view::npos) break;  // an unfinished group names nothing
      const std::string_view name = keys.substr(i + 1, end - i - 1);
      std::uint32_t vk = 0;
      if (name == "{" || name == "}") {
        strokes.push_back({KeyStroke::Kind::kCharacter, static_cast<std::uint32_t>(name[0])});
      } else if (NamedKey(std::string(name), vk)) {
        strokes.push_back({KeyStroke::Kind::kVirtualKey, vk});
      }
      i = end + 1;
      continue;
    }
    // One UTF-8 character, typed as it is.
    std::size_t length = 1;
    const auto lead = static_cast<unsigned char>(keys[i]);
    if (lead >= 0xF0) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = 3;
    } else if (lead >= 0xC0) {
      length = 2;
    }
    const std::wstring wide = Widen(keys.substr(i, length));
    std::uint32_t code = wide.empty() ? 0xFFFD : wide[0];
    if (wide.size() == 2 && wide[0] >= 0xD800 && wide[0] < 0xDC00) {
      code = 0x10000 + ((static_cast<std::uint32_t>(wide[0]) - 0xD800) << 10) + (wide[1] - 0xDC00);
    }
    strokes.push_back({KeyStroke::Kind::kCharacter, code});
    i += length;
  }
  return strokes;
}

}  // namespace clickora::platform::win32
