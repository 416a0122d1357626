#include "desktop_pick_surface.h"

#include <QSocketNotifier>
#include <cstdlib>
#include <utility>

#include "platform/wayland/wayland_desktop.h"

namespace clickora::platform::qt {

using wayland::WaylandDesktop;

struct DesktopPickSurface::WaylandPick {
  std::unique_ptr<WaylandDesktop> desktop;
  std::unique_ptr<WaylandDesktop::PointPick> pick;
  std::unique_ptr<QSocketNotifier> notifier;
  // Torn down in reverse: the surfaces before their connection.
  ~WaylandPick() {
    notifier.reset();
    pick.reset();
    desktop.reset();
  }
};

DesktopPickSurface::DesktopPickSurface(std::function<Point()> primary_origin)
    : x11_(std::move(primary_origin)) {}

DesktopPickSurface::~DesktopPickSurface() {
  on_done_ = nullptr;
  wayland_.reset();
}

void DesktopPickSurface::Begin(std::function<void(const PickOutcome&)> on_done) {
  auto wayland = std::make_unique<WaylandPick>();
  wayland->desktop = WaylandDesktop::Connect();
  // For tests: the full-screen windows of the desktops without the layer shell, on one with it.
  const char* windows = std::getenv("CLICKORA_PICK_WINDOWS");
  const bool overlay = windows == nullptr || *windows == '\0';
  if (wayland->desktop != nullptr) wayland->pick = wayland->desktop->StartPick(overlay);
  if (wayland->pick == nullptr) {
    x11_.Begin(std::move(on_done));
    return;
  }
  on_done_ = std::move(on_done);
  wayland->notifier =
      std::make_unique<QSocketNotifier>(wayland->desktop->fd(), QSocketNotifier::Read);
  QObject::connect(wayland->notifier.get(), &QSocketNotifier::activated, [this] { ReadWayland(); });
  wayland_ = std::move(wayland);
}

void DesktopPickSurface::ReadWayland() {
  if (wayland_ == nullptr) return;
  using Kind = WaylandDesktop::PointPick::Kind;
  const WaylandDesktop::PointPick::Result result = wayland_->pick->Read();
  switch (result.kind) {
    case Kind::kGoing:
      return;
    case Kind::kPicked:
      EndWayland({PickOutcome::Kind::kPicked, result.point, {}});
      return;
    case Kind::kCancelled:
      EndWayland({PickOutcome::Kind::kCancelled, {}, {}});
      return;
    case Kind::kBroken:
      EndWayland({PickOutcome::Kind::kRefused, {}, "the Wayland connection broke"});
      return;
  }
}

void DesktopPickSurface::EndWayland(const PickOutcome& outcome) {
  // Gone from the screen before anyone hears of the outcome: the next click is not ours.
  wayland_.reset();
  const std::function<void(const PickOutcome&)> on_done = std::move(on_done_);
  on_done_ = nullptr;
  if (on_done) on_done(outcome);
}

}  // namespace clickora::platform::qt
