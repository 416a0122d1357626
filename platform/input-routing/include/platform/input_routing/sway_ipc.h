#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace clickora::platform::input_routing {

// Messages of sway's IPC socket: the magic "i3-ipc", the payload's length and the message type
// (32-bit, in the machine's byte order), then the payload.
inline constexpr std::size_t kSwayIpcHeaderSize = 14;
inline constexpr std::uint32_t kSwayRunCommand = 0;
inline constexpr std::uint32_t kSwaySubscribe = 2;
inline constexpr std::uint32_t kSwayGetConfig = 9;
inline constexpr std::uint32_t kSwayBindingEvent = 0x80000005;

std::string SwayIpcMessage(std::uint32_t type, std::string_view payload);

struct SwayIpcHeader {
  std::uint32_t length = 0;
  std::uint32_t type = 0;
};
// The header at the start of bytes; nullopt when they are fewer than a header or lack the magic.
std::optional<SwayIpcHeader> ParseSwayIpcHeader(std::string_view bytes);

// Whether a sway configuration binds the key alone (no modifier) with bindsym, in any mode:
// binding it again would silently replace the user's own binding. Key names compare without
// regard to case, as sway's own lookup falls back to.
bool SwayConfigBindsKey(std::string_view config, std::string_view key);

}  // namespace clickora::platform::input_routing
