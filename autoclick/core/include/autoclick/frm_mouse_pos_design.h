#pragma once

#include "platform/form_design.h"

namespace clickora::autoclick {

// The design data of the program's one window, frmMousePos, as it stands before any code of the
// program runs: the window, its controls front to back, the timers, the two LongTimer controls,
// the file dialog and the menus.
platform::FormDesign FrmMousePosDesign();

}  // namespace clickora::autoclick
