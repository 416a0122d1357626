#include "platform/input_routing/sway_ipc.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace clickora::platform::input_routing {
namespace {

constexpr std::string_view kMagic = "i3-ipc";

void AppendU32(std::string& out, std::uint32_t value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

std::uint32_t ReadU32(const char* bytes) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The next word of a line, blanks skipped; empty at its end.
std::string_view NextWord(std::string_view& line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  std::size_t end = 0;
  while (end < line.size() && !blank(line[end])) ++end;
  const std::string_view word = line.substr(0, end);
  line.remove_prefix(end);
  return word;
}

bool LineBindsKey(std::string_view line, std::string_view key) {
  std::string_view word = NextWord(line);
  if (word != "bindsym") return false;
  // Options (--release, --to-code, ...) come before the key combination.
  do {
    word = NextWord(line);
  } while (word.starts_with("--"));
  return EqualNoCase(word, key);
}

}  // namespace

std::string SwayIpcMessage(std::uint32_t type, std::string_view payload) {
  std::string message(kMagic);
  AppendU32(message, static_cast<std::uint32_t>(payload.size()));
  AppendU32(message, type);
  message.append(payload);
  return message;
}

std::optional<SwayIpcHeader> ParseSwayIpcHeader(std::string_view bytes) {
  if (bytes.size() < kSwayIpcHeaderSize || !bytes.starts_with(kMagic)) return std::nullopt;
  return SwayIpcHeader{ReadU32(bytes.data() + kMagic.size()),
                       ReadU32(bytes.data() + kMagic.size() + 4)};
}

bool SwayConfigBindsKey(std::string_view config, std::string_view key) {
  while (!config.empty()) {
    const std::size_t end = config.find('\n');
    std::string_view line = config.substr(0, end);
    // A block's opening brace may stand before a binding on the same line ("mode x { bindsym").
    const std::size_t brace = line.rfind('{');
    if (brace != std::string_view::npos) line.remove_prefix(brace + 1);
    if (LineBindsKey(line, key)) return true;
    if (end == std::string_view::npos) break;
    config.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace clickora::platform::input_routing
