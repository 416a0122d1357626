// tapvane on Linux: the window logic on the Qt/X11 runtime. The LongTimer controls come from
// libhorolon.so beside the program, loaded by the runtime by their class name; the program never
// links the control library.
#include "autoclick/run_tapvane.h"
#include "autoclick/texts.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
  using namespace clickora;
  platform::qt::QtPlatform platform(argc, argv);
  platform.SetApplicationTitle(autoclick::texts::kApplicationTitle);
  platform.RegisterControlClass(autoclick::texts::kLongTimerClass, "libhorolon.so");
  return autoclick::RunTapvane(platform.runtime(), platform.services());
}
