#include "x11_wayland_session.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

namespace clickora::platform::qt {

// NOTE: the session says so in the environment; XWayland 23.1 and later say so themselves in
// their XWAYLAND extension, also where the variables were lost (as under sudo).
bool OnWaylandSession(Display* display) {
  const char* wayland_display = std::getenv("WAYLAND_DISPLAY");
  const char* session_type = std::getenv("XDG_SESSION_TYPE");
  if (wayland_display != nullptr && *wayland_display != '\0') return true;
  if (session_type != nullptr && std::strcmp(session_type, "wayland") == 0) return true;
  int opcode = 0, event_base = 0, error_base = 0;
  return XQueryExtension(display, "XWAYLAND", &opcode, &event_base, &error_base) != 0;
}

}  // namespace clickora::platform::qt
