// tapvane on Linux: the window logic on the Qt/X11 runtime. The LongTimer controls come from
// libhorolon.so beside the program, loaded by the runtime by their class name; the program never
// links the control library.

#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/frm_mouse_pos_design.h"
#include "autoclick/texts.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
  using namespace clickora;
  platform::qt::QtPlatform platform(argc, argv);
  platform.SetApplicationTitle(autoclick::texts::kApplicationTitle);
  platform.RegisterControlClass(autoclick::texts::kLongTimerClass, "libhorolon.so");

  platform::CreateFormResult created =
      platform.runtime().CreateForm(autoclick::FrmMousePosDesign());
  if (!created.window) {
    platform.services().program.ShowMessage(created.error);
    return 3;
  }
  autoclick::FrmMousePos form(*created.window, platform.services());
  return platform.runtime().Run(*created.window, form);
}
