// KWin's fake input as a route of the program's clicks.
#include <memory>

#include "platform/wayland/wayland_desktop.h"
#include "wayland_state.h"

namespace clickora::platform::wayland {
namespace {

using input_routing::Mechanism;

constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT of linux/input-event-codes.h

class KdePointerRoute final : public input_routing::PointerRoute {
 public:
  explicit KdePointerRoute(WaylandDesktop::State& state) : state_(state) {}

  Mechanism mechanism() const override { return Mechanism::kKdeFakeInput; }
  ClickReach Reach() const override { return ClickReach::kEverywhere; }

  bool Move(Point point) override {
    // The outputs as they are now: monitors come and go.
    if (!state_.Roundtrip()) return false;
    const std::vector<input_routing::OutputArea> outputs = state_.OutputAreas();
    const std::optional<std::size_t> primary = input_routing::PrimaryIndex(outputs);
    if (!primary) return false;
    // Absolute motion is in the layout's logical coordinates; KWin keeps it on the desktop.
    const Point layout = input_routing::ToLayout(point, outputs[*primary]);
    org_kde_kwin_fake_input_pointer_motion_absolute(
        state_.kde_fake_input, wl_fixed_from_int(layout.x), wl_fixed_from_int(layout.y));
    return state_.Flush();
  }

  bool Button(bool pressed) override {
    org_kde_kwin_fake_input_button(
        state_.kde_fake_input, kLeftButton,
        pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    return state_.Flush();
  }

 private:
  WaylandDesktop::State& state_;
};

}  // namespace

std::unique_ptr<input_routing::PointerRoute> WaylandDesktop::MakeKdePointerRoute() {
  State& state = *state_;
  if (state.kde_fake_input == nullptr) return nullptr;
  // The name and the reason KWin may show the user.
  org_kde_kwin_fake_input_authenticate(state.kde_fake_input, "tapvane", "คลิกเมาส์ตามเวลาที่ตั้งไว้");
  if (!state.Roundtrip()) return nullptr;
  return std::make_unique<KdePointerRoute>(state);
}

}  // namespace clickora::platform::wayland
