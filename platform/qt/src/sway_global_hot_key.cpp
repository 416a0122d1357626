#include "sway_global_hot_key.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QSocketNotifier>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/forms/key_string.h"
#include "platform/input_routing/sway_ipc.h"

namespace clickora::platform::qt {
namespace {

namespace ipc = input_routing;

constexpr int kReplyTimeoutMs = 2000;

// A connection to the IPC socket; -1 when it cannot be had.
int Connect(const std::string& path) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Exactly count bytes, waiting at most the reply timeout for each part.
bool ReadExactly(int fd, std::size_t count, std::string& out) {
  out.clear();
  while (out.size() < count) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, kReplyTimeoutMs) <= 0) return false;
    char buffer[4096];
    const std::size_t want = std::min(sizeof buffer, count - out.size());
    const ssize_t got = read(fd, buffer, want);
    if (got <= 0) return false;
    out.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

// One request and its reply's payload; nullopt when the IPC does not answer.
std::optional<std::string> Ask(int fd, std::uint32_t type, std::string_view payload) {
  if (!WriteAll(fd, ipc::SwayIpcMessage(type, payload))) return std::nullopt;
  std::string header;
  if (!ReadExactly(fd, ipc::kSwayIpcHeaderSize, header)) return std::nullopt;
  const auto parsed = ipc::ParseSwayIpcHeader(header);
  std::string body;
  if (!parsed || !ReadExactly(fd, parsed->length, body)) return std::nullopt;
  return body;
}

// A request on a connection of its own, as swaymsg makes one.
std::optional<std::string> AskOnce(const std::string& path, std::uint32_t type,
                                   std::string_view payload) {
  const int fd = Connect(path);
  if (fd < 0) return std::nullopt;
  auto reply = Ask(fd, type, payload);
  close(fd);
  return reply;
}

// Whether every command of a RUN_COMMAND reply succeeded; error gets the first failure's words.
bool CommandsSucceeded(const std::string& reply, std::string& error) {
  for (const QJsonValue result :
       QJsonDocument::fromJson(QByteArray::fromStdString(reply)).array()) {
    if (!result.toObject().value(QStringLiteral("success")).toBool()) {
      error = result.toObject().value(QStringLiteral("error")).toString().toStdString();
      return false;
    }
  }
  return true;
}

// sway's name of the one function key a key string names; empty for any other.
std::string SwayKeyName(std::string_view key) {
  const std::vector<forms::KeyStroke> strokes = forms::ParseKeyString(key);
  if (strokes.size() != 1 || !strokes[0].key) return {};
  const auto index = static_cast<int>(*strokes[0].key);
  if (index > static_cast<int>(forms::NamedKey::kF16)) return {};
  return "F" + std::to_string(index + 1);
}

}  // namespace

SwayGlobalHotKey::SwayGlobalHotKey(std::string socket_path)
    : socket_path_(std::move(socket_path)),
      tag_("nop clickora-stop-key-" + std::to_string(getpid())) {}

SwayGlobalHotKey::~SwayGlobalHotKey() {
  Release();
}

HotKeyResult SwayGlobalHotKey::Hold(std::string_view key, std::function<void()> on_pressed) {
  using Failure = HotKeyResult::Failure;
  on_pressed_ = std::move(on_pressed);
  const std::string name = SwayKeyName(key);
  if (name.empty()) return {Failure::kUnavailable, "sway: " + std::string(key)};
  if (name == bound_key_) return {};

  const auto config = AskOnce(socket_path_, ipc::kSwayGetConfig, {});
  if (!config) return {Failure::kUnavailable, "sway IPC"};
  const std::string text = QJsonDocument::fromJson(QByteArray::fromStdString(*config))
                               .object()
                               .value(QStringLiteral("config"))
                               .toString()
                               .toStdString();
  if (ipc::SwayConfigBindsKey(text, name)) return {Failure::kTaken, "sway: bindsym " + name};

  // The subscription first, so that no press after the binding is missed.
  CloseEvents();
  event_socket_ = Connect(socket_path_);
  const auto subscribed =
      event_socket_ >= 0 ? Ask(event_socket_, ipc::kSwaySubscribe, R"(["binding"])") : std::nullopt;
  if (!subscribed || subscribed->find("true") == std::string::npos) {
    CloseEvents();
    return {Failure::kUnavailable, "sway IPC"};
  }
  std::string error;
  const auto bound = AskOnce(socket_path_, ipc::kSwayRunCommand, "bindsym " + name + " " + tag_);
  if (!bound || !CommandsSucceeded(*bound, error)) {
    CloseEvents();
    return {Failure::kUnavailable, "sway: " + error};
  }
  bound_key_ = name;
  notifier_ = std::make_unique<QSocketNotifier>(event_socket_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { ReadEvents(); });
  return {};
}

void SwayGlobalHotKey::Release() {
  if (!bound_key_.empty()) AskOnce(socket_path_, ipc::kSwayRunCommand, "unbindsym " + bound_key_);
  bound_key_.clear();
  CloseEvents();
}

void SwayGlobalHotKey::CloseEvents() {
  notifier_.reset();
  if (event_socket_ >= 0) close(event_socket_);
  event_socket_ = -1;
  event_bytes_.clear();
}

void SwayGlobalHotKey::ReadEvents() {
  char buffer[4096];
  const ssize_t got = read(event_socket_, buffer, sizeof buffer);
  if (got <= 0) {
    CloseEvents();  // sway has gone
    return;
  }
  event_bytes_.append(buffer, static_cast<std::size_t>(got));
  bool pressed = false;
  for (;;) {
    const auto header = ipc::ParseSwayIpcHeader(event_bytes_);
    if (!header || event_bytes_.size() < ipc::kSwayIpcHeaderSize + header->length) break;
    const std::string body = event_bytes_.substr(ipc::kSwayIpcHeaderSize, header->length);
    event_bytes_.erase(0, ipc::kSwayIpcHeaderSize + header->length);
    if (header->type != ipc::kSwayBindingEvent) continue;
    const QJsonObject binding = QJsonDocument::fromJson(QByteArray::fromStdString(body))
                                    .object()
                                    .value(QStringLiteral("binding"))
                                    .toObject();
    if (binding.value(QStringLiteral("command")).toString().toStdString() == tag_) pressed = true;
  }
  // Outside the notifier's signal: the handler may release the key, which deletes the notifier.
  if (pressed && on_pressed_) {
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this] {
          if (on_pressed_) on_pressed_();
        },
        Qt::QueuedConnection);
  }
}

}  // namespace clickora::platform::qt
