#include "desktop_pointer_input.h"

#include <QDBusConnection>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "hyprland_cursor_query.h"
#include "kwin_cursor_watch.h"
#include "mutter_pointer_route.h"
#include "platform/input_routing/mechanism_choice.h"
#include "platform/input_routing/portal_consent.h"
#include "platform/input_routing/routed_pointer_input.h"
#include "platform/input_routing/uinput_pointer.h"
#include "platform/wayland/wayland_desktop.h"
#include "portal_pointer_route.h"
#include "qt_program_services.h"
#include "uinput_device.h"
#include "x11_pointer_input.h"

namespace clickora::platform::qt {
namespace {

using input_routing::Mechanism;

// XTest as a route: it reports no failure of its own.
class X11Route final : public input_routing::PointerRoute {
 public:
  explicit X11Route(X11PointerInput& x11) : x11_(x11) {}
  Mechanism mechanism() const override { return Mechanism::kXTest; }
  ClickReach Reach() const override { return x11_.Reach(); }
  bool Move(Point point) override { return x11_.SetCursorPos(point); }
  bool Button(bool pressed) override {
    x11_.MouseEvent(pressed ? kLeftButtonDown : kLeftButtonUp);
    return true;
  }

 private:
  X11PointerInput& x11_;
};

constexpr const char* kUinputPath = "/dev/uinput";

void Tell(std::string_view text) {
  std::fprintf(stderr, "tapvane: %.*s\n", static_cast<int>(text.size()), text.data());
}

// Owns what the routes use: the X display connection and the Wayland one.
class DesktopPointerInput final : public PointerInput {
 public:
  explicit DesktopPointerInput(std::function<Point()> primary_origin)
      : x11_(std::move(primary_origin)), wayland_(wayland::WaylandDesktop::Connect()) {
    input_routing::DesktopOffer offer;
    if (wayland_ != nullptr) {
      offer.wayland_globals = wayland_->globals();
      // The session bus's offers and uinput count on Wayland only: on X11 XTest reaches every
      // window.
      for (std::string& name : SessionBusNames()) offer.bus_names.insert(std::move(name));
      if (offer.bus_names.contains("org.freedesktop.portal.Desktop")) {
        offer.portal_remote_desktop_version =
            PortalRemoteDesktopVersion(QDBusConnection::sessionBus());
      }
      offer.uinput_writable = UinputWritable(kUinputPath);
    }
    offer.x11_xtest = x11_.Reach() != ClickReach::kNowhere;
    const char* off = std::getenv("CLICKORA_INPUT_OFF");
    const std::vector<Mechanism> usable = input_routing::UsableMechanisms(
        offer, input_routing::MechanismsNamed(off != nullptr ? off : ""));

    std::vector<Mechanism> made;
    std::vector<std::unique_ptr<input_routing::PointerRoute>> routes;
    for (Mechanism mechanism : usable) {
      std::unique_ptr<input_routing::PointerRoute> route;
      switch (mechanism) {
        case Mechanism::kWlrVirtualPointer:
          route = wayland_->MakeWlrPointerRoute();
          break;
        case Mechanism::kMutterRemoteDesktop:
          route = MakeMutterPointerRoute([this] { return wayland_->Outputs(); });
          break;
        case Mechanism::kPortalRemoteDesktop:
          route =
              MakePortalPointerRoute({.bus = QDBusConnection::sessionBus(),
                                      .version = offer.portal_remote_desktop_version,
                                      .outputs = [this] { return wayland_->Outputs(); },
                                      .tokens = input_routing::RestoreTokenFile(
                                          input_routing::RestoreTokenPath(
                                              std::getenv("XDG_STATE_HOME"), std::getenv("HOME"))
                                              .value_or(std::filesystem::path()))});
          break;
        case Mechanism::kKdeFakeInput:
          route = wayland_->MakeKdePointerRoute();
          break;
        case Mechanism::kUinput:
          route = MakeUinputRoute();
          break;
        case Mechanism::kXTest:
          route = std::make_unique<X11Route>(x11_);
          break;
      }
      if (route == nullptr) continue;
      made.push_back(mechanism);
      routes.push_back(std::move(route));
    }
    Tell(input_routing::ChosenRouteText(made));
    // KWin tells where the pointer is over native windows too.
    if (wayland_ != nullptr) kwin_watch_ = KwinCursorWatch::Start();
    // Hyprland answers where the pointer is when asked.
    if (wayland_ != nullptr) hyprland_watch_ = HyprlandCursorWatch::Start();
    routed_ = std::make_unique<input_routing::RoutedPointerInput>(
        std::move(routes),
        [this]() -> std::optional<Point> {
          if (const auto kwin = KwinPosition()) return kwin;
          if (const auto hyprland = HyprlandPosition()) return hyprland;
          Point point;
          if (!x11_.GetCursorPos(point)) return std::nullopt;
          return point;
        },
        &Tell);
  }

  // Unloads the KWin script of the read-out.
  void EndCursorWatch() { kwin_watch_.reset(); }

  bool GetCursorPos(Point& point) override { return routed_->GetCursorPos(point); }

  bool SetCursorPos(Point point) override { return routed_->SetCursorPos(point); }
  void MouseEvent(std::uint32_t flags) override { routed_->MouseEvent(flags); }
  ClickReach Reach() override { return routed_->Reach(); }
  bool AsksConsent() override { return routed_->AsksConsent(); }

 private:
  // The device is made here, at start-up, and kept: a new one changes the seat, and the first
  // events after its making are lost.
  std::unique_ptr<input_routing::PointerRoute> MakeUinputRoute() {
    const std::vector<input_routing::OutputArea> outputs = wayland_->Outputs();
    std::unique_ptr<input_routing::UinputDevice> device =
        MakeUinputPointer(kUinputPath, input_routing::BoundingBox(outputs));
    if (device == nullptr) return nullptr;
    return std::make_unique<input_routing::UinputPointerRoute>(
        std::move(device), [this] { return wayland_->Outputs(); });
  }

  // KWin's word on the pointer, relative to the primary output (the one at the layout's origin).
  std::optional<Point> KwinPosition() {
    if (kwin_watch_ == nullptr) return std::nullopt;
    return RelativeToPrimary(kwin_watch_->Position());
  }

  // Hyprland's, the same way.
  std::optional<Point> HyprlandPosition() {
    if (hyprland_watch_ == nullptr) return std::nullopt;
    return RelativeToPrimary(hyprland_watch_->Position());
  }

  // A layout position relative to the primary output.
  std::optional<Point> RelativeToPrimary(std::optional<Point> position) {
    if (!position) return std::nullopt;
    // The read-out asks every millisecond: the outputs are asked again once a second.
    const auto now = std::chrono::steady_clock::now();
    if (outputs_.empty() || now - outputs_read_ > std::chrono::seconds(1)) {
      outputs_ = wayland_->Outputs();
      outputs_read_ = now;
    }
    const auto primary = input_routing::PrimaryIndex(outputs_);
    if (!primary) return position;
    return input_routing::ToProgram(*position, outputs_[*primary]);
  }

  X11PointerInput x11_;
  std::unique_ptr<wayland::WaylandDesktop> wayland_;
  std::unique_ptr<input_routing::RoutedPointerInput> routed_;
  std::unique_ptr<KwinCursorWatch> kwin_watch_;
  std::unique_ptr<HyprlandCursorWatch> hyprland_watch_;
  std::vector<input_routing::OutputArea> outputs_;
  std::chrono::steady_clock::time_point outputs_read_;
};

}  // namespace

std::unique_ptr<PointerInput> MakeDesktopPointerInput(std::function<Point()> primary_origin,
                                                      QtProgramServices& program) {
  auto input = std::make_unique<DesktopPointerInput>(std::move(primary_origin));
  program.AtEnd([watch = input.get()] { watch->EndCursorWatch(); });
  return input;
}

}  // namespace clickora::platform::qt
