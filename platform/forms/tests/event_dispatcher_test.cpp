#include "platform/forms/event_dispatcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace clickora::platform::forms {
namespace {

struct RecordingProgram final : ProgramServices {
  std::string ProgramFolder() override { return {}; }
  void SetHelpFile(std::string_view) override {}
  void SendKeysNoWait(std::string_view) override {}
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  numbers::NumberFormat UserNumberFormat() override { return {}; }
  void EndProgram(int exit_code) override { exit_codes.push_back(exit_code); }
  std::vector<std::string> messages;
  std::vector<int> exit_codes;
};

struct ScriptedSink final : FormEventSink {
  void OnFormEvent(std::string_view source, std::string_view event) override {
    const std::string name = std::string(source) + "." + std::string(event);
    events.push_back(name);
    if (const auto handler = handlers.find(name); handler != handlers.end()) handler->second();
  }
  std::vector<std::string> events;
  std::map<std::string, std::function<void()>> handlers;
};

struct DispatcherTest : ::testing::Test {
  RecordingProgram program;
  ScriptedSink sink;
  EventDispatcher dispatcher{program};
  void SetUp() override { dispatcher.SetSink(&sink); }
};

TEST_F(DispatcherTest, AResizeRaisedInsideAResizeIsHandledOnceAfterIt) {
  struct Case {
    int inner_resizes;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {0, {"Form.Resize"}},
      {1, {"Form.Resize", "Form.Resize"}},
      {2, {"Form.Resize", "Form.Resize"}},  // height, then width: still one more
  };
  for (const Case& c : cases) {
    sink.events.clear();
    int depth = 0, deepest = 0, calls = 0;
    sink.handlers["Form.Resize"] = [&] {
      deepest = std::max(deepest, ++depth);
      // Only the first call sets a size; the rule's second run finds it already right.
      if (calls++ == 0) {
        for (int i = 0; i < c.inner_resizes; ++i) dispatcher.Raise("Form", "Resize");
      }
      --depth;
    };
    dispatcher.Raise("Form", "Resize");
    EXPECT_EQ(sink.events, c.events) << c.inner_resizes;
    EXPECT_EQ(deepest, 1);
  }
}

TEST_F(DispatcherTest, OtherEventsInsideAResizeAreDeliveredAtOnce) {
  sink.handlers["Form.Resize"] = [&] { dispatcher.Raise("Timer1", "Timer"); };
  dispatcher.Raise("Form", "Resize");
  EXPECT_EQ(sink.events, (std::vector<std::string>{"Form.Resize", "Timer1.Timer"}));
}

TEST_F(DispatcherTest, AnEscapingErrorGivesOneMessageAndOneExitStatus) {
  struct Case {
    std::function<void()> fail;
    std::string named;
  };
  for (int i = 0; i < 3; ++i) {
    RecordingProgram ending;
    ScriptedSink failing;
    EventDispatcher events(ending);
    const Case cases[] = {
        {[] { throw std::overflow_error("Overflow"); }, "Overflow"},
        {[] { throw 42; }, "ข้อผิดพลาดที่ไม่รู้จัก"},
        // Reported where it arose (a missing control), then thrown: still one report.
        {[&] {
           events.ReportUncaughtError("no text box named Text9");
           throw std::out_of_range("no text box named Text9");
         },
         "Text9"},
    };
    const Case& c = cases[i];
    events.SetSink(&failing);
    // The failing procedure raises a Resize that is pending when it fails: neither it nor
    // anything raised later runs.
    failing.handlers["Form.Resize"] = [&] {
      events.Raise("Form", "Resize");
      c.fail();
    };
    events.Raise("Form", "Resize");
    events.Raise("Command1", "Click");
    ASSERT_EQ(ending.messages.size(), 1u);
    EXPECT_NE(ending.messages[0].find(c.named), std::string::npos) << ending.messages[0];
    EXPECT_EQ(ending.exit_codes, std::vector<int>{1});
    EXPECT_EQ(failing.events, std::vector<std::string>{"Form.Resize"});
  }
}

TEST_F(DispatcherTest, WithoutASinkEventsAreDropped) {
  dispatcher.SetSink(nullptr);
  dispatcher.Raise("Form", "Load");
  EXPECT_FALSE(dispatcher.HasSink());
  EXPECT_TRUE(sink.events.empty());
}

}  // namespace
}  // namespace clickora::platform::forms
