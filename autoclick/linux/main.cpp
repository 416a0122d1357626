// tapvane on Linux: the window logic on the Qt/X11 runtime. The LongTimer controls come from
// libhorolon.so beside the program, loaded by the runtime by their class name; the program never
// links the control library.
#include <stdlib.h>

#include "autoclick/run_tapvane.h"
#include "autoclick/texts.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
  using namespace clickora;
  // The pointer is moved and clicked through X11, and the window placed at its designed point:
  // in a Wayland session the program runs as an X client (XWayland) unless told otherwise.
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  platform::qt::QtPlatform platform(argc, argv);
  platform.SetApplicationTitle(autoclick::texts::kApplicationTitle);
  platform.RegisterControlClass(autoclick::texts::kLongTimerClass, "libhorolon.so");
  return autoclick::RunTapvane(platform.runtime(), platform.services());
}
