// The wlroots virtual pointer as a route of the program's clicks.
#include <time.h>

#include <memory>

#include "platform/wayland/wayland_desktop.h"
#include "wayland_state.h"

namespace clickora::platform::wayland {
namespace {

using input_routing::Mechanism;

constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT of linux/input-event-codes.h

std::uint32_t NowMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

class WlrPointerRoute final : public input_routing::PointerRoute {
 public:
  WlrPointerRoute(WaylandDesktop::State& state, zwlr_virtual_pointer_v1* pointer)
      : state_(state), pointer_(pointer) {}
  ~WlrPointerRoute() override { zwlr_virtual_pointer_v1_destroy(pointer_); }
  WlrPointerRoute(const WlrPointerRoute&) = delete;
  WlrPointerRoute& operator=(const WlrPointerRoute&) = delete;

  Mechanism mechanism() const override { return Mechanism::kWlrVirtualPointer; }
  ClickReach Reach() const override { return ClickReach::kEverywhere; }

  bool Move(Point point) override {
    // The outputs as they are now: monitors come and go.
    if (!state_.Roundtrip()) return false;
    const std::vector<input_routing::OutputArea> outputs = state_.OutputAreas();
    const std::optional<std::size_t> primary = input_routing::PrimaryIndex(outputs);
    if (!primary) return false;
    // The motion is a place in the bounding box of the whole layout.
    const auto motion = input_routing::MotionWithin(
        input_routing::BoundingBox(outputs), input_routing::ToLayout(point, outputs[*primary]));
    if (!motion) return false;
    zwlr_virtual_pointer_v1_motion_absolute(pointer_, NowMilliseconds(), motion->x, motion->y,
                                            motion->x_extent, motion->y_extent);
    zwlr_virtual_pointer_v1_frame(pointer_);
    return Flush();
  }

  bool Button(bool pressed) override {
    zwlr_virtual_pointer_v1_button(
        pointer_, NowMilliseconds(), kLeftButton,
        pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer_);
    return Flush();
  }

 private:
  bool Flush() {
    return wl_display_flush(state_.display) >= 0 && wl_display_get_error(state_.display) == 0;
  }

  WaylandDesktop::State& state_;
  zwlr_virtual_pointer_v1* pointer_;
};

}  // namespace

std::unique_ptr<input_routing::PointerRoute> WaylandDesktop::MakeWlrPointerRoute() {
  State& state = *state_;
  if (state.wlr_pointer_manager == nullptr || state.seat == nullptr) return nullptr;
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(state.wlr_pointer_manager, state.seat);
  if (pointer == nullptr) return nullptr;
  auto route = std::make_unique<WlrPointerRoute>(state, pointer);
  // The device is known to the compositor before the first click.
  if (!state.Roundtrip()) return nullptr;
  return route;
}

}  // namespace clickora::platform::wayland
