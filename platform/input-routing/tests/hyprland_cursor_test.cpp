#include "platform/input_routing/hyprland_cursor.h"

#include <gtest/gtest.h>

namespace clickora::platform::input_routing {
namespace {

TEST(HyprlandCursor, AnswersOfTheRightShapeAloneGiveAPoint) {
  struct Case {
    const char* answer;
    std::optional<Point> point;
  };
  const Case cases[] = {
      {"1280, 400", Point{1280, 400}}, {"-800, 100\n", Point{-800, 100}},
      {"0, -5\r\n", Point{0, -5}},     {"", std::nullopt},
      {"12,", std::nullopt},           {"12, ", std::nullopt},
      {"12,40", std::nullopt},         {"12.5, 40", std::nullopt},
      {"x, y", std::nullopt},          {"unknown request", std::nullopt},
      {"12, 40, 7", std::nullopt},     {"99999999999, 1", std::nullopt},
      {" 12, 40", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    EXPECT_EQ(ParseHyprlandCursorPos(c.answer), c.point);
  }
}

TEST(HyprlandCursor, SocketPathsOnlyForAPlainSignature) {
  using Paths = std::vector<std::string>;
  struct Case {
    const char* runtime_dir;
    const char* signature;
    Paths paths;
  };
  const Case cases[] = {
      {"/run/user/1000",
       "abc_123",
       {"/run/user/1000/hypr/abc_123/.socket.sock", "/tmp/hypr/abc_123/.socket.sock"}},
      {nullptr, "abc", {"/tmp/hypr/abc/.socket.sock"}},
      {"relative/dir", "abc", {"/tmp/hypr/abc/.socket.sock"}},
      {"/run/user/1000", nullptr, {}},
      {"/run/user/1000", "", {}},
      {"/run/user/1000", "..", {}},
      {"/run/user/1000", "../../etc", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature != nullptr ? c.signature : "(unset)");
    EXPECT_EQ(HyprlandSocketPaths(c.runtime_dir, c.signature), c.paths);
  }
}

}  // namespace
}  // namespace clickora::platform::input_routing
