#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace clickora::platform::input_routing {

// The portal's restore token: what lets a later session start without asking the user again.
// Each token serves once; the session it restores hands back a new one, kept in its place.
class RestoreTokenFile {
 public:
  explicit RestoreTokenFile(std::filesystem::path path) : path_(std::move(path)) {}
  // The kept token; empty when none is kept or it cannot be read.
  std::string Read() const;
  // Keeps a token in place of the last one (its folder made when missing); an empty token
  // forgets the last one. False when it could not be written.
  bool Keep(std::string_view token) const;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Where the token is kept: the program's per-user state, $XDG_STATE_HOME/clickora, or
// ~/.local/state/clickora when the variable is unset or not absolute. nullopt without either.
std::optional<std::filesystem::path> RestoreTokenPath(const char* xdg_state_home, const char* home);

// The options of the portal's SelectDevices request.
struct DeviceSelection {
  std::uint32_t types = 0;         // device types: 2 = pointer
  std::uint32_t persist_mode = 0;  // 2: kept until the user revokes it
  std::string restore_token;       // empty: none sent
};

// What the program asks for: the pointer alone, kept until revoked, with the kept token where
// the portal's version takes one (2 and later; version 1 knows neither and asks every time).
DeviceSelection SelectDevicesFor(std::uint32_t portal_version, std::string_view kept_token);

}  // namespace clickora::platform::input_routing
