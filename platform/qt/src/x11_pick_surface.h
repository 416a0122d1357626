#pragma once

#include <functional>
#include <memory>

#include "platform/pick_surface.h"

class QSocketNotifier;
class QTimer;

namespace clickora::platform::qt {

// The point picker on X11: an override-redirect, input-only window over the whole root window
// (every monitor) with the cross cursor, and an active grab of the pointer and the keyboard on
// it, so that the next click anywhere comes to this program alone. The press of the left button
// gives the point, relative to the primary screen's top-left corner as PointerInput's points
// are; Esc or the right button cancel. The grabs go at the button's release, so the release
// reaches no other window either. Like the stop key, it works on a display connection of its
// own, whose socket the toolkit's event loop watches.
class X11PickSurface final : public PickSurface {
 public:
  // primary_origin: the primary screen's top-left in the root window, in pixels.
  explicit X11PickSurface(std::function<Point()> primary_origin);
  ~X11PickSurface() override;
  X11PickSurface(const X11PickSurface&) = delete;
  X11PickSurface& operator=(const X11PickSurface&) = delete;

  // Refused when another client keeps the pointer grabbed: after a short wait, since the press
  // of a double-click that starts a pick still holds the pointer until its release.
  void Begin(std::function<void(const PickOutcome&)> on_done) override;

 private:
  struct Connection;
  void TryGrab();
  void ReadEvents();
  void End(const PickOutcome& outcome);

  std::unique_ptr<Connection> connection_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QTimer> retry_;
  std::function<Point()> primary_origin_;
  std::function<void(const PickOutcome&)> on_done_;
  int tries_left_ = 0;
};

}  // namespace clickora::platform::qt
