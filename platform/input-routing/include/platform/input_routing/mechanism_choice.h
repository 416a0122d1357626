#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace clickora::platform::input_routing {

// The ways a program can put pointer input into a Linux desktop, best first: through the
// compositor where it lets a program do so, so that native Wayland windows are reached too.
enum class Mechanism : std::uint8_t {
  kWlrVirtualPointer,    // wlroots compositors (sway, Hyprland, labwc, river, wayfire)
  kKdeFakeInput,         // KWin, for a program its desktop entry grants it to
  kMutterRemoteDesktop,  // GNOME's own remote-desktop interface on the session bus
  kPortalRemoteDesktop,  // the desktop portal, with the user's consent
  kUinput,               // a virtual device of the kernel, where /dev/uinput is writable
  kXTest,                // the X server's test extension: X11 windows only on a Wayland session
};

// The name the program uses for a mechanism in what it tells the user and in CLICKORA_INPUT_OFF.
std::string_view MechanismName(Mechanism mechanism);
// The mechanism of a name; false for a name of none.
bool MechanismFromName(std::string_view name, Mechanism& mechanism);

// What the desktop offers this program, as found at start-up.
struct DesktopOffer {
  std::set<std::string, std::less<>> wayland_globals;  // interfaces the compositor announces to it
  std::set<std::string, std::less<>> bus_names;        // session-bus names that have an owner
  std::uint32_t portal_remote_desktop_version = 0;     // 0: the portal has no RemoteDesktop
  bool uinput_writable = false;
  bool x11_xtest = false;
};

// The mechanisms this desktop offers, best first, less those turned off: the first is used, the
// others stand in for it at a click it fails.
std::vector<Mechanism> UsableMechanisms(const DesktopOffer& offer,
                                        const std::set<Mechanism>& turned_off = {});

// The mechanisms named in a comma-separated list ("wlr-virtual-pointer,kde-fake-input"); unknown
// names are passed over.
std::set<Mechanism> MechanismsNamed(std::string_view list);

}  // namespace clickora::platform::input_routing
