#pragma once

// Xlib's own declaration, so that this header brings none of Xlib's macros along.
typedef struct _XDisplay Display;

namespace clickora::platform::qt {

// Whether the X server is a Wayland session's (XWayland), whose input reaches only X clients.
bool OnWaylandSession(Display* display);

}  // namespace clickora::platform::qt
