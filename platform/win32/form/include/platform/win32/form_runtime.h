#pragma once

#include <windows.h>

#include "platform/form_runtime.h"
#include "platform/interval_timer.h"
#include "platform/win32/desktop_services.h"

namespace clickora::platform::win32 {

// Resource name under which a design's asset (the background picture "background.jpg") is
// embedded in the executable, the picture as a DIB of type RT_BITMAP made at build time: upper
// case, every character other than a letter or a digit replaced by '_' ("BACKGROUND_JPG"). The
// window icon is the executable's icon group 1.
std::wstring AssetResourceName(std::string_view asset);

// The window runtime on raw Win32: one top-level window per design, intrinsic controls as child
// windows, labels and the background painted by the window itself, embedded ActiveX controls
// hosted in-process. Needs a single-threaded COM apartment on the calling thread.
class Win32FormRuntime final : public FormRuntime {
 public:
  Win32FormRuntime(TimerService& timers, Win32ProgramServices& program);

  CreateFormResult CreateForm(const FormDesign& design) override;
  int Run(Window& window, FormEventSink& sink) override;

 private:
  TimerService& timers_;
  Win32ProgramServices& program_;
};

}  // namespace clickora::platform::win32
