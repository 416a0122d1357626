// tapvane.exe: the window logic on the Win32 window runtime. The LongTimer controls come from
// horolon.ocx, registered with the system; the program never links the control library.
#include <windows.h>

#include "autoclick/run_tapvane.h"
#include "autoclick/texts.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else is loaded: a library loaded by a bare name, by the program or by a
  // system DLL on its behalf, comes from the system folder only, never from the program's own
  // folder (a portable folder may sit in Downloads, beside files that a web page put there).
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  using namespace clickora;
  platform::win32::Win32Platform platform;
  platform.SetApplicationTitle(autoclick::texts::kApplicationTitle);
  return autoclick::RunTapvane(platform.runtime(), platform.services());
}
