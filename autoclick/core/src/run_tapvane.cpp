#include "autoclick/run_tapvane.h"

#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/frm_mouse_pos_design.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {

int RunTapvane(platform::FormRuntime& runtime, platform::Services& services) {
  platform::CreateFormResult created = runtime.CreateForm(FrmMousePosDesign());
  if (!created.window) {
    std::string message(texts::kCannotStartHead);
    message += created.error;
    message += texts::kCannotStartHint;
    services.program.ShowMessage(message);
    return kExitCannotStart;
  }
  FrmMousePos form(*created.window, services);
  return runtime.Run(*created.window, form);
}

}  // namespace clickora::autoclick
