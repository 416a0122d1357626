#include "x11_pointer_input.h"
#include "x11_wayland_session.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace clickora::platform::qt {

struct X11PointerInput::Connection {
  Display* display = nullptr;
  bool has_xtest = false;
  bool wayland_session = false;
};

X11PointerInput::X11PointerInput(std::function<Point()> primary_origin)
    : connection_(new Connection), primary_origin_(std::move(primary_origin)) {
  connection_->display = XOpenDisplay(nullptr);
  if (connection_->display == nullptr) return;
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  connection_->has_xtest =
      XTestQueryExtension(connection_->display, &event_base, &error_base, &major, &minor) != 0;
  connection_->wayland_session = OnWaylandSession(connection_->display);
}

X11PointerInput::~X11PointerInput() {
  if (connection_->display != nullptr) XCloseDisplay(connection_->display);
  delete connection_;
}

bool X11PointerInput::GetCursorPos(Point& point) {
  Display* display = connection_->display;
  if (display == nullptr) return false;
  ::Window root = 0, child = 0;
  int root_x = 0, root_y = 0, window_x = 0, window_y = 0;
  unsigned int mask = 0;
  // NOTE: False means the pointer is on another screen of the display (Zaphod mode); its
  // coordinates then belong to that screen's root and are not ours to report.
  if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x, &root_y,
                     &window_x, &window_y, &mask)) {
    return false;
  }
  const Point origin = primary_origin_();
  point = {root_x - origin.x, root_y - origin.y};
  return true;
}

bool X11PointerInput::SetCursorPos(Point point) {
  Display* display = connection_->display;
  if (display == nullptr) return false;
  const Point origin = primary_origin_();
  const int x = point.x + origin.x;
  const int y = point.y + origin.y;
  // A faked motion travels the server's input path like a real one (other clients see motion
  // events); a warp is the fallback where the extension is missing.
  if (connection_->has_xtest) {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  } else {
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  }
  XFlush(display);
  return true;
}

void X11PointerInput::MouseEvent(std::uint32_t flags) {
  Display* display = connection_->display;
  if (display == nullptr || !connection_->has_xtest) return;
  constexpr unsigned int kLeftButton = 1;
  if ((flags & kLeftButtonDown) != 0) {
    XTestFakeButtonEvent(display, kLeftButton, True, CurrentTime);
  }
  if ((flags & kLeftButtonUp) != 0) {
    XTestFakeButtonEvent(display, kLeftButton, False, CurrentTime);
  }
  XFlush(display);
}

ClickReach X11PointerInput::Reach() {
  if (connection_->display == nullptr || !connection_->has_xtest) return ClickReach::kNowhere;
  return connection_->wayland_session ? ClickReach::kX11WindowsOnly : ClickReach::kEverywhere;
}

}  // namespace clickora::platform::qt
