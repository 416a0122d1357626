#pragma once

#include <functional>
#include <memory>

#include "platform/program_services.h"

namespace clickora::platform::qt {

class QtProgramServices;

// The program's pointer input on a Linux desktop: the best route the desktop offers, chosen
// once at start-up, with the others behind it for a click it fails (see RoutedPointerInput).
// On a Wayland session the compositor's own ways come first, since the X server's reach only
// X11 windows there. Says on standard error which route it chose and when one fails.
// CLICKORA_INPUT_OFF (a comma-separated list of route names) turns routes off, for tests.
// primary_origin: the primary screen's top-left in the X root window, asked at every call.
// program: where the KWin script of the read-out is unloaded when the program ends.
std::unique_ptr<PointerInput> MakeDesktopPointerInput(std::function<Point()> primary_origin,
                                                      QtProgramServices& program);

}  // namespace clickora::platform::qt
