#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/input_routing/output_layout.h"
#include "platform/input_routing/routed_pointer_input.h"

namespace clickora::platform::qt {

// GNOME's own remote-desktop interface on the session bus (org.gnome.Mutter.RemoteDesktop with a
// ScreenCast session of one stream per monitor) as a route of the program's clicks. Absolute
// motion is relative to a stream, so each point goes to the stream of the monitor that holds
// it. The session (and with it GNOME's screen-sharing indicator) is opened at a click and
// closed a few seconds after the last one; opening it needs PipeWire.
// outputs: the monitors' logical areas, from the program's Wayland connection.
std::unique_ptr<input_routing::PointerRoute> MakeMutterPointerRoute(
    std::function<std::vector<input_routing::OutputArea>()> outputs);

// The session-bus names that have an owner now; empty without a session bus.
std::vector<std::string> SessionBusNames();

}  // namespace clickora::platform::qt
