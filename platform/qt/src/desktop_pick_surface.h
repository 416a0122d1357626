#pragma once

#include <functional>
#include <memory>

#include "platform/pick_surface.h"
#include "x11_pick_surface.h"

class QSocketNotifier;

namespace clickora::platform::wayland {
class WaylandDesktop;
}

namespace clickora::platform::qt {

// The point picker of a Linux desktop. In a Wayland session the X server sees the pointer over
// X11 windows only, so there the pick is the compositor's: a surface over each output, on a
// Wayland connection of the pick's own, made at its start and closed at its end (the surfaces
// go with it). Elsewhere, and where the compositor offers no way to cover its outputs, the X11
// picker. CLICKORA_PICK_WINDOWS (not empty) takes the full-screen windows where the layer shell
// is offered too, for tests.
class DesktopPickSurface final : public PickSurface {
 public:
  // primary_origin: the primary screen's top-left in the X root window, for the X11 picker.
  explicit DesktopPickSurface(std::function<Point()> primary_origin);
  ~DesktopPickSurface() override;
  DesktopPickSurface(const DesktopPickSurface&) = delete;
  DesktopPickSurface& operator=(const DesktopPickSurface&) = delete;

  void Begin(std::function<void(const PickOutcome&)> on_done) override;

 private:
  struct WaylandPick;
  void ReadWayland();
  void EndWayland(const PickOutcome& outcome);

  X11PickSurface x11_;
  std::unique_ptr<WaylandPick> wayland_;
  std::function<void(const PickOutcome&)> on_done_;
};

}  // namespace clickora::platform::qt
