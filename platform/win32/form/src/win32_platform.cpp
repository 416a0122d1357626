#include "platform/win32/win32_platform.h"

#include <string>

#include "global_hot_key.h"
#include "keep_awake.h"
#include "pick_window.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/desktop_services.h"
#include "platform/win32/form_runtime.h"
#include "platform/win32/timing.h"
#include "session_state.h"
#include "target_integrity.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

// The runtime of a thread on which COM did not start: no window can host the controls there.
class UnstartedRuntime final : public FormRuntime {
 public:
  explicit UnstartedRuntime(HRESULT result) : result_(result) {}

  CreateFormResult CreateForm(const FormDesign&) override {
    return {nullptr,
            "COM could not be initialised on the program's thread: " + HresultText(result_)};
  }
  int Run(Window&, FormEventSink&) override { return 1; }

 private:
  HRESULT result_;
};

}  // namespace

struct Win32Platform::Impl {
  ComApartment apartment;
  SystemMillisecondClock clock;
  WindowTimerService timers;
  Win32ProgramServices program;
  Win32PointerInput pointer;
  Win32TimeOfDay time_of_day;
  Win32FileSystem files;
  Win32GlobalHotKey stop_key;
  Win32PickSurface pick;
  Win32KeepAwake keep_awake;
  Win32SessionState session;
  Win32TargetIntegrity target_integrity;
  Services services{clock,    timers, program,    pointer, time_of_day,     files,
                    stop_key, pick,   keep_awake, session, target_integrity};
  Win32FormRuntime form_runtime{timers, program};
  UnstartedRuntime unstarted{apartment.Result()};
};

Win32Platform::Win32Platform() : impl_(std::make_unique<Impl>()) {}

Win32Platform::~Win32Platform() = default;

void Win32Platform::SetApplicationTitle(std::string_view title) {
  impl_->program.SetApplicationTitle(title);
}

Services& Win32Platform::services() {
  return impl_->services;
}

FormRuntime& Win32Platform::runtime() {
  if (FAILED(impl_->apartment.Result())) return impl_->unstarted;
  return impl_->form_runtime;
}

}  // namespace clickora::platform::win32
