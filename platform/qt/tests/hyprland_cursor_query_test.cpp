#include "hyprland_cursor_query.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/posix/temporary_folder.h"

namespace clickora::platform::qt {
namespace {

using std::chrono::milliseconds;

// How the stand-in answers a connection.
enum class Manner { kAnswer, kCloseAtOnce, kNeverAnswer };

// Answers one connection at a socket the way Hyprland's request socket does: reads the request,
// writes the answer, closes.
class StandInHyprland {
 public:
  StandInHyprland(std::string path, std::string answer, Manner manner)
      : path_(std::move(path)), listener_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.data(), path_.size());
    EXPECT_EQ(bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(listen(listener_, 1), 0);
    thread_ = std::thread([this, answer = std::move(answer), manner] {
      const int client = accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      if (manner != Manner::kCloseAtOnce) {
        char buffer[64];
        const ssize_t got = recv(client, buffer, sizeof(buffer), 0);
        if (got > 0) request_.assign(buffer, static_cast<std::size_t>(got));
      }
      if (manner == Manner::kAnswer) {
        send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
      } else if (manner == Manner::kNeverAnswer) {
        char ignored;
        while (recv(client, &ignored, 1, 0) > 0) {
        }  // until the asker gives up and closes
      }
      close(client);
    });
  }
  ~StandInHyprland() {
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  const std::string& request() const { return request_; }

 private:
  std::string path_;
  int listener_;
  std::thread thread_;
  std::string request_;
};

TEST(HyprlandCursorQuery, AWellFormedAnswerGivesThePointAndAnyOtherNone) {
  posix::testing::TemporaryFolder folder("clickora-hypr");
  const std::string path = (folder.path() / ".socket.sock").string();
  struct Case {
    const char* name;
    std::string answer;
    Manner manner;
    std::optional<Point> point;
  };
  const Case cases[] = {
      {"a point", "1280, 400", Manner::kAnswer, Point{1280, 400}},
      {"a negative point with a newline", "-800, 100\n", Manner::kAnswer, Point{-800, 100}},
      {"an error", "unknown request", Manner::kAnswer, std::nullopt},
      {"half an answer", "12,", Manner::kAnswer, std::nullopt},
      {"an empty answer", "", Manner::kAnswer, std::nullopt},
      {"an answer far too long", std::string(4096, '1') + ", 2", Manner::kAnswer, std::nullopt},
      {"closed without an answer", "", Manner::kCloseAtOnce, std::nullopt},
      {"no answer in time", "", Manner::kNeverAnswer, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unlink(path.c_str());
    StandInHyprland hyprland(path, c.answer, c.manner);
    EXPECT_EQ(AskHyprlandCursorPos(path, milliseconds(200)), c.point);
    if (c.manner == Manner::kAnswer) {
      // The stand-in has read the request before answering.
      EXPECT_EQ(hyprland.request(), "cursorpos");
    }
  }
  EXPECT_EQ(AskHyprlandCursorPos((folder.path() / "none").string(), milliseconds(200)),
            std::nullopt)
      << "no socket";
  EXPECT_EQ(AskHyprlandCursorPos(std::string(200, 'x'), milliseconds(200)), std::nullopt)
      << "a path longer than a socket address holds";
}

TEST(HyprlandCursorQuery, TheWatchTriesEachSocketAndRestsAfterAFailure) {
  posix::testing::TemporaryFolder folder("clickora-hypr");
  const std::string missing = (folder.path() / "missing.sock").string();
  const std::string present = (folder.path() / ".socket.sock").string();
  {
    StandInHyprland hyprland(present, "5, 6", Manner::kAnswer);
    HyprlandCursorWatch watch({missing, present});
    EXPECT_EQ(watch.Position(), (Point{5, 6}));
  }
  HyprlandCursorWatch watch({missing});
  EXPECT_EQ(watch.Position(), std::nullopt);
  unlink(present.c_str());
  {
    // Hyprland comes up at the missing path: the watch does not ask again within its rest.
    StandInHyprland hyprland(missing, "1, 2", Manner::kAnswer);
    EXPECT_EQ(watch.Position(), std::nullopt);
    // Lets the stand-in's accept end.
    EXPECT_EQ(AskHyprlandCursorPos(missing, milliseconds(200)), (Point{1, 2}));
  }
}

}  // namespace
}  // namespace clickora::platform::qt
