#include "key_string.h"

#include <windows.h>

#include <array>

#include "platform/forms/key_string.h"

namespace clickora::platform::win32 {
namespace {

using forms::NamedKey;

// The virtual key of each portable key name, in the order of NamedKey.
constexpr std::array<std::uint32_t, forms::kNamedKeyCount> kVirtualKeys = {
    VK_F1,     VK_F2,   VK_F3,     VK_F4,  VK_F5,   VK_F6,   VK_F7,    VK_F8,     VK_F9,
    VK_F10,    VK_F11,  VK_F12,    VK_F13, VK_F14,  VK_F15,  VK_F16,   VK_RETURN, VK_TAB,
    VK_ESCAPE, VK_BACK, VK_DELETE, VK_UP,  VK_DOWN, VK_LEFT, VK_RIGHT, VK_HOME,   VK_END,
};
static_assert(kVirtualKeys[static_cast<std::size_t>(NamedKey::kEnter)] == VK_RETURN);
static_assert(kVirtualKeys[static_cast<std::size_t>(NamedKey::kEnd)] == VK_END);

}  // namespace

std::vector<KeyStroke> ParseKeyString(std::string_view keys) {
  std::vector<KeyStroke> strokes;
  for (const forms::KeyStroke& stroke : forms::ParseKeyString(keys)) {
    if (stroke.key) {
      strokes.push_back(
          {KeyStroke::Kind::kVirtualKey, kVirtualKeys[static_cast<std::size_t>(*stroke.key)]});
    } else {
      strokes.push_back(
          {KeyStroke::Kind::kCharacter, static_cast<std::uint32_t>(stroke.character)});
    }
  }
  return strokes;
}

}  // namespace clickora::platform::win32
