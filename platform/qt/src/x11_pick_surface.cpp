#include "x11_pick_surface.h"

#include <QSocketNotifier>
#include <QTimer>
#include <string>
#include <utility>

// NOTE: after the toolkit's headers: Xlib defines macros (Bool, Status, None) that break them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

namespace clickora::platform::qt {
namespace {

// How long a pick waits for another grab of the pointer to end, in steps of kRetryMs.
constexpr int kRetryMs = 20;
constexpr int kTries = 50;  // a second

const char* GrabStatusName(int status) {
  switch (status) {
    case AlreadyGrabbed:
      return "AlreadyGrabbed";
    case GrabFrozen:
      return "GrabFrozen";
    case GrabNotViewable:
      return "GrabNotViewable";
    case GrabInvalidTime:
      return "GrabInvalidTime";
    default:
      return "Grab failed";
  }
}

}  // namespace

struct X11PickSurface::Connection {
  Display* display = nullptr;
  ::Window input = 0;  // the input window while a pick is going
  Cursor cross = 0;
  // The button pressed during the pick, whose release ends it; its point.
  unsigned pressed = 0;
  int press_x = 0, press_y = 0;
};

X11PickSurface::X11PickSurface(std::function<Point()> primary_origin)
    : connection_(std::make_unique<Connection>()),
      retry_(std::make_unique<QTimer>()),
      primary_origin_(std::move(primary_origin)) {
  retry_->setInterval(kRetryMs);
  QObject::connect(retry_.get(), &QTimer::timeout, [this] { TryGrab(); });
}

X11PickSurface::~X11PickSurface() {
  on_done_ = nullptr;
  notifier_.reset();
  Connection& c = *connection_;
  if (c.display == nullptr) return;
  if (c.input != 0) XDestroyWindow(c.display, c.input);
  if (c.cross != 0) XFreeCursor(c.display, c.cross);
  XCloseDisplay(c.display);
}

void X11PickSurface::Begin(std::function<void(const PickOutcome&)> on_done) {
  on_done_ = std::move(on_done);
  Connection& c = *connection_;
  if (c.display == nullptr) {
    c.display = XOpenDisplay(nullptr);
    if (c.display == nullptr) {
      End({PickOutcome::Kind::kRefused, {}, "no X display"});
      return;
    }
    c.cross = XCreateFontCursor(c.display, XC_crosshair);
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(c.display), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadEvents(); });
  }
  const ::Window root = DefaultRootWindow(c.display);
  XWindowAttributes root_size{};
  XGetWindowAttributes(c.display, root, &root_size);
  // Input-only: nothing is drawn, the screen looks as it did. Override-redirect: no window
  // manager frames, moves or stacks it.
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.cursor = c.cross;
  attributes.event_mask = ButtonPressMask | ButtonReleaseMask | KeyPressMask;
  c.input = XCreateWindow(c.display, root, 0, 0, static_cast<unsigned>(root_size.width),
                          static_cast<unsigned>(root_size.height), 0, CopyFromParent, InputOnly,
                          CopyFromParent, CWOverrideRedirect | CWCursor | CWEventMask, &attributes);
  // Named as the Windows popup's class, so that tools (and the tests) can tell it is up.
  char name[] = "tapvane";
  char window_class[] = "ClickoraPick";
  XClassHint hint{name, window_class};
  XSetClassHint(c.display, c.input, &hint);
  XMapRaised(c.display, c.input);
  c.pressed = 0;
  tries_left_ = kTries;
  TryGrab();
}

void X11PickSurface::TryGrab() {
  Connection& c = *connection_;
  if (c.input == 0) return;
  const int status = XGrabPointer(c.display, c.input, False, ButtonPressMask | ButtonReleaseMask,
                                  GrabModeAsync, GrabModeAsync, None, c.cross, CurrentTime);
  if (status == GrabSuccess) {
    retry_->stop();
    // Esc needs the keyboard; without it (another client holds it) the right button still
    // cancels.
    XGrabKeyboard(c.display, c.input, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XFlush(c.display);
    return;
  }
  if ((status == AlreadyGrabbed || status == GrabFrozen) && --tries_left_ > 0) {
    if (!retry_->isActive()) retry_->start();
    return;
  }
  retry_->stop();
  End({PickOutcome::Kind::kRefused, {}, GrabStatusName(status)});
}

void X11PickSurface::ReadEvents() {
  Connection& c = *connection_;
  while (c.display != nullptr && XPending(c.display) > 0) {
    XEvent event{};
    XNextEvent(c.display, &event);
    if (c.input == 0 || event.xany.window != c.input) continue;
    switch (event.type) {
      case ButtonPress:
        if (c.pressed == 0 &&
            (event.xbutton.button == Button1 || event.xbutton.button == Button3)) {
          c.pressed = event.xbutton.button;
          c.press_x = event.xbutton.x_root;
          c.press_y = event.xbutton.y_root;
        }
        break;
      case ButtonRelease:
        if (event.xbutton.button != c.pressed) break;
        if (c.pressed == Button1) {
          const Point origin = primary_origin_ ? primary_origin_() : Point{};
          End({PickOutcome::Kind::kPicked, {c.press_x - origin.x, c.press_y - origin.y}, {}});
        } else {
          End({PickOutcome::Kind::kCancelled, {}, {}});
        }
        return;  // the handler may have begun the next pick
      case KeyPress:
        if (XLookupKeysym(&event.xkey, 0) == XK_Escape) {
          End({PickOutcome::Kind::kCancelled, {}, {}});
          return;
        }
        break;
      default:
        break;
    }
  }
}

void X11PickSurface::End(const PickOutcome& outcome) {
  Connection& c = *connection_;
  retry_->stop();
  if (c.display != nullptr && c.input != 0) {
    XUngrabKeyboard(c.display, CurrentTime);
    XUngrabPointer(c.display, CurrentTime);
    XDestroyWindow(c.display, c.input);
    // Gone from the screen before anyone hears of the outcome: the next click is not ours.
    XSync(c.display, False);
    c.input = 0;
  }
  const std::function<void(const PickOutcome&)> on_done = std::move(on_done_);
  on_done_ = nullptr;
  if (on_done) on_done(outcome);
}

}  // namespace clickora::platform::qt
