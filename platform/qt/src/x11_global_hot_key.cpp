#include "x11_global_hot_key.h"

#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "platform/forms/key_string.h"
#include "x11_wayland_session.h"

// NOTE: after the toolkit's headers: Xlib defines macros (Bool, Status, None) that break them.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace clickora::platform::qt {
namespace {

using forms::NamedKey;

// The keysym of each portable key name, in the order of NamedKey.
constexpr std::array<KeySym, forms::kNamedKeyCount> kKeySyms = {
    XK_F1,     XK_F2,        XK_F3,     XK_F4,  XK_F5,   XK_F6,   XK_F7,    XK_F8,     XK_F9,
    XK_F10,    XK_F11,       XK_F12,    XK_F13, XK_F14,  XK_F15,  XK_F16,   XK_Return, XK_Tab,
    XK_Escape, XK_BackSpace, XK_Delete, XK_Up,  XK_Down, XK_Left, XK_Right, XK_Home,   XK_End,
};
static_assert(kKeySyms[static_cast<std::size_t>(NamedKey::kF6)] == XK_F6);
static_assert(kKeySyms[static_cast<std::size_t>(NamedKey::kEnd)] == XK_End);

// The keysym that a key string names when it names exactly one key, else NoSymbol.
KeySym SingleKeySym(std::string_view key) {
  const std::vector<forms::KeyStroke> strokes = forms::ParseKeyString(key);
  if (strokes.size() != 1 || !strokes[0].key) return NoSymbol;
  return kKeySyms[static_cast<std::size_t>(*strokes[0].key)];
}

// The modifier bit that Num Lock sets on this server (usually Mod2), 0 when it has none.
unsigned NumLockMask(Display* display) {
  const KeyCode num_lock = XKeysymToKeycode(display, XK_Num_Lock);
  if (num_lock == 0) return 0;
  XModifierKeymap* map = XGetModifierMapping(display);
  if (map == nullptr) return 0;
  unsigned mask = 0;
  for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      if (map->modifiermap[modifier * map->max_keypermod + k] == num_lock) {
        mask = 1U << modifier;
        break;
      }
    }
  }
  XFreeModifiermap(map);
  return mask;
}

// Catches the errors of one display's requests from its construction to Sync, instead of the
// process's handler (Xlib's default one ends the program); the old handler is back afterwards.
// NOTE: Xlib keeps one error handler for the whole process, so the trap is for the UI thread's
// short sections only.
class ScopedErrorTrap {
 public:
  explicit ScopedErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);  // earlier requests' errors are not this section's
    active_ = this;
    previous_ = XSetErrorHandler(&Handler);
  }
  ~ScopedErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
    active_ = nullptr;
  }
  ScopedErrorTrap(const ScopedErrorTrap&) = delete;
  ScopedErrorTrap& operator=(const ScopedErrorTrap&) = delete;

  // The first error of the section so far (Success for none), after a round trip.
  int Sync() {
    XSync(display_, False);
    return first_error_;
  }

 private:
  static int Handler(Display* display, XErrorEvent* error) {
    if (active_ != nullptr && display == active_->display_) {
      if (active_->first_error_ == Success) active_->first_error_ = error->error_code;
      return 0;
    }
    return previous_ != nullptr ? previous_(display, error) : 0;
  }

  static inline ScopedErrorTrap* active_ = nullptr;
  static inline XErrorHandler previous_ = nullptr;
  Display* display_;
  int first_error_ = Success;
};

std::string ErrorText(Display* display, int code) {
  std::array<char, 256> text{};
  XGetErrorText(display, code, text.data(), static_cast<int>(text.size()));
  return text.data();
}

}  // namespace

struct X11GlobalHotKey::Connection {
  Display* display = nullptr;
  KeyCode held = 0;   // the key grabbed now, 0 for none
  bool down = false;  // the held key is down: a press now is the keyboard's repeat
  std::array<unsigned, 4> variants{};
};

X11GlobalHotKey::X11GlobalHotKey() : connection_(std::make_unique<Connection>()) {}

X11GlobalHotKey::~X11GlobalHotKey() {
  Release();
  notifier_.reset();
  if (connection_->display != nullptr) XCloseDisplay(connection_->display);
}

HotKeyResult X11GlobalHotKey::Hold(std::string_view key, std::function<void()> on_pressed) {
  const KeySym keysym = SingleKeySym(key);
  if (keysym == NoSymbol) {
    return {HotKeyResult::Failure::kUnavailable, "not a single key: " + std::string(key)};
  }
  Connection& x = *connection_;
  if (x.display == nullptr) {
    // Opened at the first run, not at start-up: a program that never runs needs no second
    // connection.
    x.display = XOpenDisplay(nullptr);
    if (x.display == nullptr) {
      return {HotKeyResult::Failure::kUnavailable, "no X display"};
    }
    const unsigned num_lock = NumLockMask(x.display);
    x.variants = {0, LockMask, num_lock, LockMask | num_lock};
    // A key held down then sends repeated presses without releases between them, so a repeat
    // can be told from a new press.
    XkbSetDetectableAutoRepeat(x.display, True, nullptr);
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(x.display), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { ReadEvents(); });
  }
  const KeyCode code = XKeysymToKeycode(x.display, keysym);
  if (code == 0) {
    return {HotKeyResult::Failure::kUnavailable, "the keyboard has no " + std::string(key)};
  }
  if (x.held == code) {
    on_pressed_ = std::move(on_pressed);
    HotKeyResult held;
    held.x11_focus_only = OnWaylandSession(x.display);
    return held;
  }
  Ungrab();
  int error = Success;
  {
    ScopedErrorTrap trap(x.display);
    const ::Window root = DefaultRootWindow(x.display);
    for (const unsigned modifiers : x.variants) {
      XGrabKey(x.display, code, modifiers, root, False, GrabModeAsync, GrabModeAsync);
    }
    error = trap.Sync();
    if (error != Success) {
      // Another client's grab of one combination: the others go back too, so no half of the
      // key stays taken from the desktop.
      for (const unsigned modifiers : x.variants) XUngrabKey(x.display, code, modifiers, root);
    }
  }
  // The round trips may have read events into Xlib's queue, where the socket shows none.
  QTimer::singleShot(0, notifier_.get(), [this] { ReadEvents(); });
  if (error != Success) {
    return {
        error == BadAccess ? HotKeyResult::Failure::kTaken : HotKeyResult::Failure::kUnavailable,
        ErrorText(x.display, error)};
  }
  x.held = code;
  x.down = false;
  on_pressed_ = std::move(on_pressed);
  HotKeyResult held;
  held.x11_focus_only = OnWaylandSession(x.display);
  return held;
}

void X11GlobalHotKey::Ungrab() {
  Connection& x = *connection_;
  if (x.display == nullptr || x.held == 0) return;
  const ::Window root = DefaultRootWindow(x.display);
  for (const unsigned modifiers : x.variants) XUngrabKey(x.display, x.held, modifiers, root);
  XFlush(x.display);
  x.held = 0;
  x.down = false;
}

void X11GlobalHotKey::Release() {
  Ungrab();
  on_pressed_ = nullptr;
}

void X11GlobalHotKey::ReadEvents() {
  Display* display = connection_->display;
  if (display == nullptr) return;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    Connection& x = *connection_;
    if (x.held == 0 || (event.type != KeyPress && event.type != KeyRelease) ||
        event.xkey.keycode != x.held) {
      continue;
    }
    if (event.type == KeyRelease) {
      x.down = false;
      continue;
    }
    if (x.down) continue;  // the keyboard's repeat of a key still held
    x.down = true;
    // The handler usually releases the key, which drops on_pressed_: it runs from a copy.
    const std::function<void()> handler = on_pressed_;
    if (!handler) continue;
    try {
      handler();
    } catch (...) {
      std::fputs("tapvane: the stop key's handler failed\n", stderr);
    }
  }
}

}  // namespace clickora::platform::qt
