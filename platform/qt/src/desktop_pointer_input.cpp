#include "desktop_pointer_input.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "mutter_pointer_route.h"
#include "platform/input_routing/mechanism_choice.h"
#include "platform/input_routing/routed_pointer_input.h"
#include "platform/wayland/wayland_desktop.h"
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
      // The session bus's offers count on Wayland only: on X11 XTest reaches every window.
      for (std::string& name : SessionBusNames()) offer.bus_names.insert(std::move(name));
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
        case Mechanism::kKdeFakeInput:
          route = wayland_->MakeKdePointerRoute();
          break;
        case Mechanism::kXTest:
          route = std::make_unique<X11Route>(x11_);
          break;
        default:
          break;  // offered, but not a route of this program yet
      }
      if (route == nullptr) continue;
      made.push_back(mechanism);
      routes.push_back(std::move(route));
    }
    Tell(input_routing::ChosenRouteText(made));
    routed_ = std::make_unique<input_routing::RoutedPointerInput>(
        std::move(routes),
        [this]() -> std::optional<Point> {
          Point point;
          if (!x11_.GetCursorPos(point)) return std::nullopt;
          return point;
        },
        &Tell);
  }

  bool GetCursorPos(Point& point) override { return routed_->GetCursorPos(point); }
  bool SetCursorPos(Point point) override { return routed_->SetCursorPos(point); }
  void MouseEvent(std::uint32_t flags) override { routed_->MouseEvent(flags); }
  ClickReach Reach() override { return routed_->Reach(); }

 private:
  X11PointerInput x11_;
  std::unique_ptr<wayland::WaylandDesktop> wayland_;
  std::unique_ptr<input_routing::RoutedPointerInput> routed_;
};

}  // namespace

std::unique_ptr<PointerInput> MakeDesktopPointerInput(std::function<Point()> primary_origin) {
  return std::make_unique<DesktopPointerInput>(std::move(primary_origin));
}

}  // namespace clickora::platform::qt
