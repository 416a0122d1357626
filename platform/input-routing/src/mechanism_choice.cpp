#include "platform/input_routing/mechanism_choice.h"

#include <array>
#include <utility>

namespace clickora::platform::input_routing {
namespace {

constexpr std::array<std::pair<Mechanism, std::string_view>, 6> kNames{{
    {Mechanism::kWlrVirtualPointer, "wlr-virtual-pointer"},
    {Mechanism::kKdeFakeInput, "kde-fake-input"},
    {Mechanism::kMutterRemoteDesktop, "mutter-remote-desktop"},
    {Mechanism::kPortalRemoteDesktop, "portal-remote-desktop"},
    {Mechanism::kUinput, "uinput"},
    {Mechanism::kXTest, "xtest"},
}};

bool Offered(const DesktopOffer& offer, Mechanism mechanism) {
  const auto has_global = [&](std::string_view name) {
    return offer.wayland_globals.contains(name);
  };
  const auto has_name = [&](std::string_view name) { return offer.bus_names.contains(name); };
  switch (mechanism) {
    case Mechanism::kWlrVirtualPointer:
      // The layout's logical coordinates come from xdg-output; a seat carries the device.
      return has_global("zwlr_virtual_pointer_manager_v1") &&
             has_global("zxdg_output_manager_v1") && has_global("wl_seat");
    case Mechanism::kKdeFakeInput:
      // KWin announces it only to a program that its desktop entry grants it to.
      return has_global("org_kde_kwin_fake_input");
    case Mechanism::kMutterRemoteDesktop:
      // Absolute motion is relative to a screen-cast stream, whose monitors DisplayConfig lists.
      return has_name("org.gnome.Mutter.RemoteDesktop") &&
             has_name("org.gnome.Mutter.ScreenCast") && has_name("org.gnome.Mutter.DisplayConfig");
    case Mechanism::kPortalRemoteDesktop:
      return has_name("org.freedesktop.portal.Desktop") && offer.portal_remote_desktop_version > 0;
    case Mechanism::kUinput:
      return offer.uinput_writable;
    case Mechanism::kXTest:
      return offer.x11_xtest;
  }
  return false;
}

}  // namespace

std::string_view MechanismName(Mechanism mechanism) {
  for (const auto& [value, name] : kNames) {
    if (value == mechanism) return name;
  }
  return {};
}

bool MechanismFromName(std::string_view name, Mechanism& mechanism) {
  for (const auto& [value, known] : kNames) {
    if (known == name) {
      mechanism = value;
      return true;
    }
  }
  return false;
}

std::vector<Mechanism> UsableMechanisms(const DesktopOffer& offer,
                                        const std::set<Mechanism>& turned_off) {
  std::vector<Mechanism> usable;
  for (const auto& [mechanism, name] : kNames) {
    if (!turned_off.contains(mechanism) && Offered(offer, mechanism)) usable.push_back(mechanism);
  }
  return usable;
}

std::set<Mechanism> MechanismsNamed(std::string_view list) {
  std::set<Mechanism> named;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    Mechanism mechanism{};
    if (MechanismFromName(name, mechanism)) named.insert(mechanism);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return named;
}

}  // namespace clickora::platform::input_routing
