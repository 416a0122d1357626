#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_run_guards.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_window.h"
#include "platform/form_runtime.h"
#include "platform/services.h"

namespace clickora::platform::fake {

// What the runtime hands a factory when it creates an embedded control with its window.
struct EmbeddedControlSite {
  std::string_view name;        // the control's design name, "LongTimer1"
  std::string_view class_name;  // "Horolib.LongTimer"
  PropertyBag& saved_properties;
  // Raises one of the control's events into the window as (name, event).
  std::function<void(std::string_view event)> raise_event;
  FakeEventLoop& loop;  // the runtime's clock and timers
};

// Creates and loads a control; null when it cannot (the window then fails to load).
using EmbeddedControlFactory =
    std::function<std::unique_ptr<EmbeddedControl>(const EmbeddedControlSite& site)>;

// A factory of RecordingEmbeddedControl, for tests that watch the puts themselves.
EmbeddedControlFactory RecordingControlFactory();

class FakeFormRuntime final : public FormRuntime {
 public:
  FakeFormRuntime(FakeEventLoop& loop, FakeProgramServices& program)
      : loop_(loop), program_(program) {}

  // The registry of control classes, by class name (ProgID), as the system's registration.
  void RegisterControlClass(std::string class_name, EmbeddedControlFactory factory);

  CreateFormResult CreateForm(const FormDesign& design) override;
  // Raises Form Load, starts the design timers and shows the window (raising Form Resize), then
  // returns: the test drives the event loop from there. Returns the exit code if the program
  // ended meanwhile, 0 otherwise.
  int Run(Window& window, FormEventSink& sink) override;

 private:
  FakeEventLoop& loop_;
  FakeProgramServices& program_;
  std::map<std::string, EmbeddedControlFactory, std::less<>> classes_;
};

// The whole fake platform, wired together: the loop is the clock and the timer service, pointer
// actions are stamped with its time, and ending the program stops it. Members are destroyed in
// reverse order, so windows created through runtime must go before the backend does.
struct FakeBackend {
  FakeEventLoop loop;
  FakeProgramServices program{loop};
  FakePointerInput pointer{&loop};
  FakeTimeOfDay time_of_day;
  FakeFileSystem files;
  FakeGlobalHotKey stop_key;
  FakePickSurface pick;
  FakeKeepAwake keep_awake;
  FakeSessionState session;
  FakeTargetIntegrity target_integrity;
  FakeFormRuntime runtime{loop, program};
  Services services{loop,     loop, program,    pointer, time_of_day,     files,
                    stop_key, pick, keep_awake, session, target_integrity};
};

}  // namespace clickora::platform::fake
