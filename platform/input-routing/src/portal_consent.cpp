#include "platform/input_routing/portal_consent.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace clickora::platform::input_routing {

std::string RestoreTokenFile::Read() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return {};
  std::string token((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) token.pop_back();
  return token;
}

bool RestoreTokenFile::Keep(std::string_view token) const {
  std::error_code error;
  if (token.empty()) {
    std::filesystem::remove(path_, error);
    return !error;
  }
  std::filesystem::create_directories(path_.parent_path(), error);
  if (error) return false;
  // Written beside and renamed over, so that a program ending half-way leaves the old token.
  std::filesystem::path partial = path_;
  partial += ".new";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << token << '\n';
    if (!out.flush()) return false;
  }
  std::filesystem::permissions(
      partial, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, error);
  std::filesystem::rename(partial, path_, error);
  return !error;
}

std::optional<std::filesystem::path> RestoreTokenPath(const char* xdg_state_home,
                                                      const char* home) {
  std::filesystem::path state;
  if (xdg_state_home != nullptr && std::filesystem::path(xdg_state_home).is_absolute()) {
    state = xdg_state_home;
  } else if (home != nullptr && std::filesystem::path(home).is_absolute()) {
    state = std::filesystem::path(home) / ".local" / "state";
  } else {
    return std::nullopt;
  }
  return state / "clickora" / "portal-restore-token";
}

DeviceSelection SelectDevicesFor(std::uint32_t portal_version, std::string_view kept_token) {
  constexpr std::uint32_t kPointer = 2;
  constexpr std::uint32_t kPersistUntilRevoked = 2;
  DeviceSelection selection;
  selection.types = kPointer;
  if (portal_version >= 2) {
    selection.persist_mode = kPersistUntilRevoked;
    selection.restore_token = std::string(kept_token);
  }
  return selection;
}

}  // namespace clickora::platform::input_routing
