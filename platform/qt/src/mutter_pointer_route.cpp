#include "mutter_pointer_route.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QThread>
#include <QTimer>
#include <optional>
#include <string>
#include <utility>

namespace clickora::platform::qt {
namespace {

using input_routing::Mechanism;
using input_routing::OutputArea;

constexpr int kLeftButton = 0x110;  // BTN_LEFT of linux/input-event-codes.h
constexpr int kIdleCloseMs = 3000;  // a double click's second half comes long before this
constexpr unsigned long kSettleMs = 40;

const QString kService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kCastService = QStringLiteral("org.gnome.Mutter.ScreenCast");
const QString kDisplayService = QStringLiteral("org.gnome.Mutter.DisplayConfig");

// A logical monitor of GetCurrentState: its place, scale and first connector.
struct LogicalMonitor {
  int x = 0;
  int y = 0;
  double scale = 1;
  bool primary = false;
  QString connector;
};

std::vector<LogicalMonitor> LogicalMonitors(QDBusConnection& bus) {
  QDBusInterface display(kDisplayService, QStringLiteral("/org/gnome/Mutter/DisplayConfig"),
                         kDisplayService, bus);
  const QDBusMessage reply = display.call(QStringLiteral("GetCurrentState"));
  std::vector<LogicalMonitor> monitors;
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 3) return monitors;
  // a(iiduba(ssss)a{sv}): x, y, scale, transform, primary, monitors, properties
  const QDBusArgument logical = reply.arguments().at(2).value<QDBusArgument>();
  logical.beginArray();
  while (!logical.atEnd()) {
    LogicalMonitor monitor;
    uint transform = 0;
    logical.beginStructure();
    logical >> monitor.x >> monitor.y >> monitor.scale >> transform >> monitor.primary;
    logical.beginArray();
    while (!logical.atEnd()) {
      QString connector, vendor, product, serial;
      logical.beginStructure();
      logical >> connector >> vendor >> product >> serial;
      logical.endStructure();
      if (monitor.connector.isEmpty()) monitor.connector = connector;
    }
    logical.endArray();
    QVariantMap properties;
    logical >> properties;
    logical.endStructure();
    monitors.push_back(monitor);
  }
  logical.endArray();
  return monitors;
}

class MutterPointerRoute final : public input_routing::PointerRoute {
 public:
  explicit MutterPointerRoute(std::function<std::vector<OutputArea>()> outputs)
      : outputs_(std::move(outputs)), bus_(QDBusConnection::sessionBus()) {
    idle_.setSingleShot(true);
    idle_.setInterval(kIdleCloseMs);
    QObject::connect(&idle_, &QTimer::timeout, [this] { Close(); });
  }
  ~MutterPointerRoute() override { Close(); }
  MutterPointerRoute(const MutterPointerRoute&) = delete;
  MutterPointerRoute& operator=(const MutterPointerRoute&) = delete;

  Mechanism mechanism() const override { return Mechanism::kMutterRemoteDesktop; }
  ClickReach Reach() const override { return ClickReach::kEverywhere; }

  bool Move(Point point) override {
    idle_.stop();
    if (!Open()) return false;
    std::vector<OutputArea> monitors;
    for (const auto& stream : areas_) monitors.push_back(stream.area);
    const auto primary = input_routing::PrimaryIndex(monitors, primary_);
    if (!primary) return false;
    const Point layout = input_routing::ToLayout(point, monitors[*primary]);
    const auto chosen = input_routing::ChooseStream(areas_, layout);
    if (!chosen) return false;
    const bool moved = Call(QStringLiteral("NotifyPointerMotionAbsolute"),
                            {stream_paths_[chosen->index], chosen->x, chosen->y});
    // NOTE: mutter finds the window under a moved pointer at its next frame: a press sent at once
    // after a move onto another window goes to the one the pointer left. Two frames' wait.
    if (moved && last_point_ != point) QThread::msleep(kSettleMs);
    last_point_ = point;
    idle_.start();
    return moved;
  }

  bool Button(bool pressed) override {
    idle_.stop();
    if (!Open()) return false;
    const bool done = Call(QStringLiteral("NotifyPointerButton"), {kLeftButton, pressed});
    idle_.start();
    return done;
  }

 private:
  bool Call(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, session_path_, QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), method);
    call.setArguments(arguments);
    return bus_.call(call).type() == QDBusMessage::ReplyMessage;
  }

  // A remote-desktop session with a screen cast of every monitor, started.
  bool Open() {
    if (!session_path_.isEmpty()) return true;
    const std::vector<OutputArea> outputs = outputs_();
    const std::vector<LogicalMonitor> monitors = LogicalMonitors(bus_);
    QDBusInterface remote(kService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), kService,
                          bus_);
    const QDBusReply<QDBusObjectPath> session = remote.call(QStringLiteral("CreateSession"));
    if (!session.isValid()) return false;
    session_path_ = session.value().path();
    QDBusInterface remote_session(kService, session_path_,
                                  QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), bus_);
    const QString id = remote_session.property("SessionId").toString();
    QDBusInterface cast(kCastService, QStringLiteral("/org/gnome/Mutter/ScreenCast"), kCastService,
                        bus_);
    const QDBusReply<QDBusObjectPath> cast_session =
        cast.call(QStringLiteral("CreateSession"),
                  QVariantMap{{QStringLiteral("remote-desktop-session-id"), id}});
    if (id.isEmpty() || !cast_session.isValid()) return Fail();
    QDBusInterface cast_calls(kCastService, cast_session.value().path(),
                              QStringLiteral("org.gnome.Mutter.ScreenCast.Session"), bus_);
    primary_.reset();
    for (const LogicalMonitor& monitor : monitors) {
      // The monitor's logical size is its output's, from the Wayland connection.
      std::optional<OutputArea> area;
      for (const OutputArea& output : outputs) {
        if (output.x == monitor.x && output.y == monitor.y) area = output;
      }
      if (!area) continue;
      const QDBusReply<QDBusObjectPath> stream =
          cast_calls.call(QStringLiteral("RecordMonitor"), monitor.connector, QVariantMap{});
      if (!stream.isValid()) return Fail();
      if (monitor.primary) primary_ = areas_.size();
      areas_.push_back({*area, monitor.scale});
      stream_paths_.push_back(stream.value().path());
    }
    if (areas_.empty()) return Fail();
    // NOTE: Start fails where PipeWire is not running ("Couldn't connect pipewire context").
    if (!Call(QStringLiteral("Start"), {})) return Fail();
    // NOTE: Start makes the session's input devices; where the seat had no pointer before (a
    // desktop without a mouse), windows take theirs only once they have heard of it, and events
    // sent before that are lost. The streams' announcement of their place comes after that.
    WaitForStreams();
    return true;
  }

  // Waits (a second at most) until every stream has announced its parameters.
  void WaitForStreams() {
    for (int tries = 0; tries < 50; ++tries) {
      bool all = true;
      for (const QString& path : stream_paths_) {
        QDBusInterface stream(kCastService, path,
                              QStringLiteral("org.gnome.Mutter.ScreenCast.Stream"), bus_);
        if (stream.property("Parameters").toMap().isEmpty()) all = false;
      }
      if (all) return;
      QThread::msleep(20);
    }
  }

  bool Fail() {
    Close();
    return false;
  }

  void Close() {
    idle_.stop();
    if (!session_path_.isEmpty()) Call(QStringLiteral("Stop"), {});
    session_path_.clear();
    last_point_.reset();
    areas_.clear();
    stream_paths_.clear();
  }

  std::function<std::vector<OutputArea>()> outputs_;
  QDBusConnection bus_;
  QTimer idle_;
  QString session_path_;
  std::vector<input_routing::StreamArea> areas_;
  std::vector<QString> stream_paths_;
  std::optional<std::size_t> primary_;
  std::optional<Point> last_point_;
};

}  // namespace

std::unique_ptr<input_routing::PointerRoute> MakeMutterPointerRoute(
    std::function<std::vector<OutputArea>()> outputs) {
  return std::make_unique<MutterPointerRoute>(std::move(outputs));
}

std::vector<std::string> SessionBusNames() {
  std::vector<std::string> names;
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  if (bus == nullptr) return names;
  const QDBusReply<QStringList> registered = bus->registeredServiceNames();
  if (!registered.isValid()) return names;
  for (const QString& name : registered.value()) names.push_back(name.toStdString());
  return names;
}

}  // namespace clickora::platform::qt
