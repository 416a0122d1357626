#include "hyprland_cursor_query.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/input_routing/hyprland_cursor.h"

namespace clickora::platform::qt {
namespace {

using Clock = std::chrono::steady_clock;

// More than any "x, y" answer: a longer one is of another shape.
constexpr std::size_t kLongestAnswer = 64;
constexpr std::chrono::milliseconds kTimeout{50};
constexpr std::chrono::milliseconds kReuse{15};
constexpr std::chrono::seconds kAfterFailure{1};

class Socket {
 public:
  Socket() : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Waits until fd is ready for events or the deadline passes; false on the deadline or an error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

}  // namespace

std::optional<Point> AskHyprlandCursorPos(const std::string& socket_path,
                                          std::chrono::milliseconds timeout) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path.size() >= sizeof(address.sun_path)) return std::nullopt;
  std::memcpy(address.sun_path, socket_path.data(), socket_path.size());
  const Socket socket;
  if (socket.fd() < 0) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + timeout;
  if (connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    return std::nullopt;
  }
  constexpr std::string_view kRequest = "cursorpos";
  if (!WaitFor(socket.fd(), POLLOUT, deadline) ||
      send(socket.fd(), kRequest.data(), kRequest.size(), MSG_NOSIGNAL) !=
          static_cast<ssize_t>(kRequest.size())) {
    return std::nullopt;
  }
  // Hyprland closes the connection after its answer.
  std::string answer;
  char buffer[kLongestAnswer + 1];
  for (;;) {
    if (!WaitFor(socket.fd(), POLLIN, deadline)) return std::nullopt;
    const ssize_t got = recv(socket.fd(), buffer, sizeof(buffer), 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    answer.append(buffer, static_cast<std::size_t>(got));
    if (answer.size() > kLongestAnswer) return std::nullopt;
  }
  return input_routing::ParseHyprlandCursorPos(answer);
}

std::unique_ptr<HyprlandCursorWatch> HyprlandCursorWatch::Start() {
  std::vector<std::string> paths = input_routing::HyprlandSocketPaths(
      std::getenv("XDG_RUNTIME_DIR"), std::getenv("HYPRLAND_INSTANCE_SIGNATURE"));
  if (paths.empty()) return nullptr;
  return std::make_unique<HyprlandCursorWatch>(std::move(paths));
}

HyprlandCursorWatch::HyprlandCursorWatch(std::vector<std::string> socket_paths)
    : socket_paths_(std::move(socket_paths)) {}

std::optional<Point> HyprlandCursorWatch::Position() {
  const Clock::time_point now = Clock::now();
  if (now < next_ask_) return last_;
  last_.reset();
  for (const std::string& path : socket_paths_) {
    last_ = AskHyprlandCursorPos(path, kTimeout);
    if (last_) break;
  }
  next_ask_ = Clock::now() + (last_ ? std::chrono::milliseconds(kReuse) : kAfterFailure);
  return last_;
}

}  // namespace clickora::platform::qt
