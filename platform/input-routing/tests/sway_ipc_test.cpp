#include "platform/input_routing/sway_ipc.h"

#include <gtest/gtest.h>

namespace clickora::platform::input_routing {
namespace {

TEST(SwayIpc, MessagesFrameTheirPayloadAndHeadersReadBack) {
  const std::string message = SwayIpcMessage(kSwayRunCommand, "bindsym F6 nop tapvane-stop");
  ASSERT_EQ(message.size(), kSwayIpcHeaderSize + 27);
  EXPECT_EQ(message.substr(0, 6), "i3-ipc");
  EXPECT_EQ(message.substr(kSwayIpcHeaderSize), "bindsym F6 nop tapvane-stop");
  const auto header = ParseSwayIpcHeader(message);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->length, 27u);
  EXPECT_EQ(header->type, kSwayRunCommand);

  const auto event = ParseSwayIpcHeader(SwayIpcMessage(kSwayBindingEvent, "{}"));
  ASSERT_TRUE(event);
  EXPECT_EQ(event->type, kSwayBindingEvent);
  EXPECT_FALSE(ParseSwayIpcHeader(message.substr(0, 13)));
  EXPECT_FALSE(ParseSwayIpcHeader("i3-ipX" + message.substr(6)));
}

TEST(SwayIpc, AUsersOwnBindingOfTheKeyIsFound) {
  struct Case {
    const char* config;
    bool binds;
  };
  const Case cases[] = {
      {"bindsym F6 exec foot\n", true},
      {"set $mod Mod4\n  bindsym\tF6 nop mine", true},
      {"bindsym --release F6 exec grim\n", true},
      {"bindsym --to-code --no-repeat f6 kill\n", true},
      {"mode \"resize\" {\n    bindsym F6 mode default\n}\n", true},
      {"mode \"x\" { bindsym F6 mode default }\n", true},
      {"bindsym $mod+F6 exec foot\n", false},
      {"bindsym Shift+F6 exec foot\n", false},
      {"bindsym F60 exec foot\n", false},
      {"# bindsym F6 exec foot\n", false},
      {"bindcode 72 exec foot\nexec bindsym F6\n", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    EXPECT_EQ(SwayConfigBindsKey(c.config, "F6"), c.binds);
  }
}

}  // namespace
}  // namespace clickora::platform::input_routing
