#include "platform/win32/form_runtime.h"

#include <commctrl.h>

#include "form_window.h"

namespace clickora::platform::win32 {

Win32FormRuntime::Win32FormRuntime(TimerService& timers, Win32ProgramServices& program)
    : timers_(timers), program_(program) {
  // The common controls of version 6 (the manifest asks for them) draw the buttons and boxes.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);
}

CreateFormResult Win32FormRuntime::CreateForm(const FormDesign& design) {
  std::string error;
  auto form = FormWindow::Create(
      design, FormContext{timers_, program_, [this] { program_.ShowHelp(); }}, error);
  if (!form) return {nullptr, error};
  program_.SetMainWindow(form->Handle());
  return {std::move(form), {}};
}

int Win32FormRuntime::Run(Window& window, FormEventSink& sink) {
  auto* form = dynamic_cast<FormWindow*>(&window);
  if (!form || !form->Handle()) return 1;
  form->Attach(&sink);
  form->Raise("Form", "Load");
  form->StartTimers();
  form->Show();
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT
    if (got < 0) return 1;
    if (form->PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace clickora::platform::win32
