// tapvane.exe: the window logic on the Win32 window runtime. The LongTimer controls come from
// horolon.ocx, registered with the system; the program never links the control library.
#include <windows.h>

#include "autoclick/run_tapvane.h"
#include "autoclick/texts.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace clickora;
  platform::win32::Win32Platform platform;
  platform.SetApplicationTitle(autoclick::texts::kApplicationTitle);
  return autoclick::RunTapvane(platform.runtime(), platform.services());
}
