// tapvane.exe: the program's one window, frmMousePos, on the Win32 window runtime.
#include <objbase.h>
#include <windows.h>

#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/frm_mouse_pos_design.h"
#include "platform/services.h"
#include "platform/win32/desktop_services.h"
#include "platform/win32/form_runtime.h"
#include "platform/win32/timing.h"

namespace {

constexpr int kExitCannotStart = 3;
constexpr wchar_t kApplicationTitle[] = L"Quorvel";

// The single-threaded apartment that hosts the LongTimer controls, for the life of the program.
class ComApartment {
 public:
  ComApartment()
      : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

void ShowStartError(const std::wstring& text) {
  ::MessageBoxW(nullptr, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

int RunProgram() {
  using namespace clickora;
  const ComApartment apartment;
  if (FAILED(apartment.Result())) {
    ShowStartError(L"tapvane cannot start: COM could not be initialised on its thread.");
    return kExitCannotStart;
  }

  platform::win32::SystemMillisecondClock clock;
  platform::win32::WindowTimerService timers;
  platform::win32::Win32ProgramServices program;
  platform::win32::Win32PointerInput pointer;
  platform::win32::Win32TimeOfDay time_of_day;
  platform::win32::Win32FileSystem files;
  platform::Services services{clock, timers, program, pointer, time_of_day, files};
  platform::win32::Win32FormRuntime runtime(timers, program);

  platform::CreateFormResult created = runtime.CreateForm(autoclick::FrmMousePosDesign());
  if (!created.window) {
    // Almost always the LongTimer control library that was never registered on this machine.
    ShowStartError(
        L"tapvane cannot start.\n\n" + Widen(created.error) +
        L"\n\nThe LongTimer control comes with the program in horolon.ocx. Register it once, from "
        L"an administrator's command prompt in the program's folder:\n\n    regsvr32 horolon.ocx");
    return kExitCannotStart;
  }
  autoclick::FrmMousePos form(*created.window, services);
  return runtime.Run(*created.window, form);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return RunProgram();
}
