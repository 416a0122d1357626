#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/fake/fake_form_runtime.h"

namespace clickora::platform::fake {
namespace {

// Records every event it receives.
struct EventRecorder final : FormEventSink {
  void OnFormEvent(std::string_view source, std::string_view event) override {
    events.push_back(std::string(source) + "." + std::string(event));
  }
  std::vector<std::string> events;
};

ControlDesign Control(const char* name, ControlKind kind, int max_length = 0) {
  ControlDesign control;
  control.name = name;
  control.kind = kind;
  control.max_length = max_length;
  return control;
}

FormDesign SmallDesign() {
  FormDesign design;
  design.controls = {
      Control("Box", ControlKind::kTextBox, 3), Control("One", ControlKind::kOptionButton),
      Control("Two", ControlKind::kOptionButton), Control("Go", ControlKind::kCommandButton)};
  design.timers = {{"Tick", 1, true}};
  design.embedded_controls = {{"Ctl", "Some.Class", {{"interval", "90.5"}}}};
  return design;
}

TEST(FakeWindow, PlaysTheUserAndTheRuntimeFaithfully) {
  FakeBackend backend;
  backend.loop.SetMinimumPeriod(10);
  std::optional<std::string> loaded;
  backend.runtime.RegisterControlClass("Some.Class", [&](const EmbeddedControlSite& site) {
    site.saved_properties.Read("Interval", loaded);  // stored in lower case
    return RecordingControlFactory()(site);
  });
  CreateFormResult created = backend.runtime.CreateForm(SmallDesign());
  ASSERT_NE(created.window, nullptr) << created.error;
  auto& window = dynamic_cast<FakeWindow&>(*created.window);
  EventRecorder sink;
  backend.runtime.Run(window, sink);
  EXPECT_EQ(loaded, "90.5");
  EXPECT_EQ(sink.events, (std::vector<std::string>{"Form.Load", "Form.Resize"}));

  // Typing is cut to the limit in characters, not bytes; SetText is not.
  window.TextBoxNamed("Box").TypeByUser("กขคง");
  EXPECT_EQ(window.GetTextBox("Box").Text(), "กขค");
  window.GetTextBox("Box").SetText("12345");
  EXPECT_EQ(window.GetTextBox("Box").Text(), "12345");

  window.OptionNamed("One").SelectByUser();
  window.OptionNamed("Two").SelectByUser();
  EXPECT_FALSE(window.GetOptionButton("One").Value());
  EXPECT_TRUE(window.GetOptionButton("Two").Value());

  window.GetCommandButton("Go").SetEnabled(false);
  window.PressButton("Go");
  window.GetCommandButton("Go").SetEnabled(true);
  window.PressButton("Go");
  window.EmbeddedAs<RecordingEmbeddedControl>("Ctl").Fire("OnTimer");
  backend.loop.AdvanceBy(25);  // two ticks of a 1 ms timer raised to 10 ms
  EXPECT_EQ(sink.events, (std::vector<std::string>{"Form.Load", "Form.Resize", "Go.Click",
                                                   "Ctl.OnTimer", "Tick.Timer", "Tick.Timer"}));

  // After the end nothing more reaches the window.
  backend.program.EndProgram(3);
  window.PressButton("Go");
  backend.loop.AdvanceBy(100);
  EXPECT_EQ(sink.events.size(), 6u);
  EXPECT_EQ(backend.program.ExitCode(), 3);
  EXPECT_THROW(window.GetTextBox("Nothing"), std::logic_error);
}

}  // namespace
}  // namespace clickora::platform::fake
