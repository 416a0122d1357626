#include "platform/input_routing/mechanism_choice.h"

#include <gtest/gtest.h>

namespace clickora::platform::input_routing {
namespace {

using M = Mechanism;

DesktopOffer Sway() {
  DesktopOffer offer;
  offer.wayland_globals = {"wl_seat", "wl_output", "zxdg_output_manager_v1",
                           "zwlr_virtual_pointer_manager_v1", "zwp_virtual_keyboard_manager_v1"};
  offer.bus_names = {"org.freedesktop.portal.Desktop"};  // the wlr portal: no RemoteDesktop
  offer.x11_xtest = true;
  return offer;
}

DesktopOffer Plasma(bool granted) {
  DesktopOffer offer;
  offer.wayland_globals = {"wl_seat", "wl_output", "zxdg_output_manager_v1", "kde_output_order_v1"};
  if (granted) offer.wayland_globals.insert("org_kde_kwin_fake_input");
  offer.bus_names = {"org.freedesktop.portal.Desktop", "org.kde.KWin", "org.kde.kglobalaccel"};
  offer.portal_remote_desktop_version = 2;
  offer.x11_xtest = true;
  return offer;
}

DesktopOffer Gnome(bool with_portal) {
  DesktopOffer offer;
  offer.wayland_globals = {"wl_seat", "wl_output", "zxdg_output_manager_v1"};
  offer.bus_names = {"org.gnome.Mutter.RemoteDesktop", "org.gnome.Mutter.ScreenCast",
                     "org.gnome.Mutter.DisplayConfig"};
  if (with_portal) {
    offer.bus_names.insert("org.freedesktop.portal.Desktop");
    offer.portal_remote_desktop_version = 1;
  }
  offer.x11_xtest = true;
  return offer;
}

TEST(MechanismChoice, EachDesktopGetsItsMechanismsBestFirst) {
  DesktopOffer mutter_without_cast = Gnome(false);
  mutter_without_cast.bus_names.erase("org.gnome.Mutter.ScreenCast");
  DesktopOffer wlr_without_xdg_output = Sway();
  wlr_without_xdg_output.wayland_globals.erase("zxdg_output_manager_v1");
  DesktopOffer plain_x11;
  plain_x11.x11_xtest = true;
  DesktopOffer uinput_only;
  uinput_only.uinput_writable = true;
  DesktopOffer plasma_with_uinput = Plasma(false);
  plasma_with_uinput.uinput_writable = true;
  DesktopOffer sway_with_uinput = Sway();
  sway_with_uinput.uinput_writable = true;
  struct Case {
    const char* name;
    DesktopOffer offer;
    std::set<Mechanism> off;
    std::vector<Mechanism> usable;
  };
  const Case cases[] = {
      {"sway", Sway(), {}, {M::kWlrVirtualPointer, M::kXTest}},
      {"wlroots without xdg-output", wlr_without_xdg_output, {}, {M::kXTest}},
      {"Plasma, granted", Plasma(true), {}, {M::kKdeFakeInput, M::kPortalRemoteDesktop, M::kXTest}},
      {"Plasma, not granted", Plasma(false), {}, {M::kPortalRemoteDesktop, M::kXTest}},
      {"Plasma, the earlier ones off",
       Plasma(true),
       {M::kKdeFakeInput},
       {M::kPortalRemoteDesktop, M::kXTest}},
      {"GNOME", Gnome(true), {}, {M::kMutterRemoteDesktop, M::kPortalRemoteDesktop, M::kXTest}},
      {"GNOME without its screen cast", mutter_without_cast, {}, {M::kXTest}},
      {"a portal without RemoteDesktop", Sway(), {M::kWlrVirtualPointer}, {M::kXTest}},
      {"X11 alone", plain_x11, {}, {M::kXTest}},
      {"uinput alone", uinput_only, {}, {M::kUinput}},
      {"uinput after the portal, before XTest",
       plasma_with_uinput,
       {},
       {M::kPortalRemoteDesktop, M::kUinput, M::kXTest}},
      {"uinput behind the virtual pointer",
       sway_with_uinput,
       {},
       {M::kWlrVirtualPointer, M::kUinput, M::kXTest}},
      {"uinput not writable", Plasma(false), {}, {M::kPortalRemoteDesktop, M::kXTest}},
      {"uinput turned off", plasma_with_uinput, {M::kUinput}, {M::kPortalRemoteDesktop, M::kXTest}},
      {"nothing", {}, {}, {}},
      {"everything off", Sway(), {M::kWlrVirtualPointer, M::kXTest}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UsableMechanisms(c.offer, c.off), c.usable);
  }
}

TEST(MechanismChoice, NamesReadBackAndListsSkipUnknownNames) {
  for (M mechanism : {M::kWlrVirtualPointer, M::kKdeFakeInput, M::kMutterRemoteDesktop,
                      M::kPortalRemoteDesktop, M::kUinput, M::kXTest}) {
    Mechanism read{};
    ASSERT_TRUE(MechanismFromName(MechanismName(mechanism), read));
    EXPECT_EQ(read, mechanism);
  }
  struct Case {
    const char* list;
    std::set<Mechanism> named;
  };
  const Case cases[] = {
      {"", {}},
      {"xtest", {M::kXTest}},
      {"kde-fake-input, mutter-remote-desktop", {M::kKdeFakeInput, M::kMutterRemoteDesktop}},
      {"bogus,,uinput,", {M::kUinput}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    EXPECT_EQ(MechanismsNamed(c.list), c.named);
  }
}

}  // namespace
}  // namespace clickora::platform::input_routing
