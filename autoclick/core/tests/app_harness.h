#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/frm_mouse_pos_design.h"
#include "platform/fake/fake_form_runtime.h"
#include "timer_control/long_timer.h"

namespace clickora::autoclick::testing {

// The portable LongTimer hosted as the embedded class "Horolib.LongTimer", reached by DISPID as
// the program reaches the real control.
class LongTimerControl final : public platform::EmbeddedControl {
 public:
  explicit LongTimerControl(const platform::fake::EmbeddedControlSite& site)
      : timer_(site.loop, site.loop, [raise = site.raise_event] { raise("OnTimer"); }) {}

  platform::PutResult PutProperty(platform::DispId id, const platform::DispValue& value) override {
    if (fail_puts_) return {false, "Automation error"};
    if (id == kLongTimerIntervalId && std::holds_alternative<float>(value)) {
      timer_.SetInterval(std::get<float>(value));
    } else if (id == kLongTimerEnabledId && std::holds_alternative<bool>(value)) {
      timer_.SetEnabled(std::get<bool>(value));
    } else {
      return {false, "Member not found"};
    }
    return {};
  }
  horolon::LongTimer& timer() { return timer_; }
  // Every put fails from now on, as a control whose server has gone away.
  void FailNextPuts() { fail_puts_ = true; }

  static platform::fake::EmbeddedControlFactory Factory() {
    return [](const platform::fake::EmbeddedControlSite& site)
               -> std::unique_ptr<platform::EmbeddedControl> {
      auto control = std::make_unique<LongTimerControl>(site);
      if (!control->timer_.ReadProperties(site.saved_properties)) return nullptr;
      return control;
    };
  }

 private:
  horolon::LongTimer timer_;
  bool fail_puts_ = false;
};

enum class Timers { kReal, kRecording };

// The program on the fake backend: created, then started by Start() as the real main() does.
// Timer10 at 1 ms ticks every 10 ms, as a window timer does.
struct App {
  explicit App(Timers timers = Timers::kReal) {
    backend.loop.SetMinimumPeriod(10);
    backend.runtime.RegisterControlClass(
        "Horolib.LongTimer", timers == Timers::kReal ? LongTimerControl::Factory()
                                                     : platform::fake::RecordingControlFactory());
    platform::CreateFormResult created = backend.runtime.CreateForm(FrmMousePosDesign());
    window.reset(static_cast<platform::fake::FakeWindow*>(created.window.release()));
    form = std::make_unique<FrmMousePos>(*window, backend.services);
  }
  void Start() { backend.runtime.Run(*window, *form); }

  platform::fake::FakeTextBox& Text(std::string_view name) { return window->TextBoxNamed(name); }
  platform::fake::FakeCommandButton& Command4() { return window->ButtonNamed("Command4"); }
  platform::fake::FakeFileDialog& Dialog() { return window->DialogNamed("CommonDialog1"); }
  horolon::LongTimer& LongTimer(std::string_view name) {
    return window->EmbeddedAs<LongTimerControl>(name).timer();
  }
  platform::fake::RecordingEmbeddedControl& Recording(std::string_view name) {
    return window->EmbeddedAs<platform::fake::RecordingEmbeddedControl>(name);
  }
  // Presses Start and runs the loop until the run has finished (Start enabled again).
  bool RunToEnd(std::uint64_t limit_ms = 3'600'000) {
    window->PressButton("Command4");
    return backend.loop.RunUntil([this] { return Command4().Enabled(); }, limit_ms);
  }
  const std::vector<std::string>& Messages() { return backend.program.Messages(); }

  platform::fake::FakeBackend backend;
  std::unique_ptr<platform::fake::FakeWindow> window;
  std::unique_ptr<FrmMousePos> form;
};

}  // namespace clickora::autoclick::testing
