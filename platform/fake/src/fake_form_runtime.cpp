#include "platform/fake/fake_form_runtime.h"

#include <stdexcept>
#include <utility>

namespace clickora::platform::fake {

EmbeddedControlFactory RecordingControlFactory() {
  return [](const EmbeddedControlSite& site) {
    return std::make_unique<RecordingEmbeddedControl>(site.raise_event);
  };
}

void FakeFormRuntime::RegisterControlClass(std::string class_name, EmbeddedControlFactory factory) {
  classes_[std::move(class_name)] = std::move(factory);
}

CreateFormResult FakeFormRuntime::CreateForm(const FormDesign& design) {
  auto window = std::make_unique<FakeWindow>(design, loop_, program_);
  for (const EmbeddedControlDesign& control : design.embedded_controls) {
    const auto found = classes_.find(control.class_name);
    if (found == classes_.end()) {
      return {nullptr, "Cannot create " + control.name + ": the control class \"" +
                           control.class_name + "\" is not registered."};
    }
    FakePropertyBag bag(control.saved_properties);
    FakeWindow* const raw_window = window.get();
    const std::string name = control.name;
    const EmbeddedControlSite site{
        control.name, control.class_name, bag,
        [raw_window, name](std::string_view event) { raw_window->Raise(name, event); }, loop_};
    std::unique_ptr<EmbeddedControl> created = found->second(site);
    if (!created) {
      return {nullptr, "Cannot create " + control.name + " of the control class \"" +
                           control.class_name + "\"."};
    }
    window->AddEmbeddedControl(control.name, std::move(created));
  }
  return {std::move(window), {}};
}

int FakeFormRuntime::Run(Window& window, FormEventSink& sink) {
  auto* const fake_window = dynamic_cast<FakeWindow*>(&window);
  if (fake_window == nullptr) throw std::logic_error("the fake runtime runs only its own windows");
  fake_window->Attach(sink);
  fake_window->Raise("Form", "Load");
  if (program_.Ended()) return *program_.ExitCode();
  fake_window->StartDesignTimers();
  fake_window->Show();
  return program_.ExitCode().value_or(0);
}

}  // namespace clickora::platform::fake
