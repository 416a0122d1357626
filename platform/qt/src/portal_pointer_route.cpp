#include "portal_pointer_route.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <optional>
#include <string>
#include <utility>

#include "portal_request.h"

namespace clickora::platform::qt {
namespace {

using input_routing::Mechanism;
using input_routing::OutputArea;

constexpr int kLeftButton = 0x110;  // BTN_LEFT of linux/input-event-codes.h
constexpr uint kMonitorSource = 1;  // ScreenCast source type MONITOR
constexpr int kCallTimeoutMs = 10000;

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");

// The one stream of the session: its node and, where the portal says, its size in its pixels.
struct Stream {
  uint node = 0;
  int width = 0;
  int height = 0;
};

std::optional<Stream> FirstStream(const QVariant& streams) {
  if (!streams.canConvert<QDBusArgument>()) return std::nullopt;
  // a(ua{sv}): node id, properties (position, size, source_type)
  const QDBusArgument list = streams.value<QDBusArgument>();
  std::optional<Stream> first;
  list.beginArray();
  while (!list.atEnd()) {
    Stream stream;
    QVariantMap properties;
    list.beginStructure();
    list >> stream.node >> properties;
    list.endStructure();
    const QVariant size = properties.value(QStringLiteral("size"));
    if (size.canConvert<QDBusArgument>()) {
      const QDBusArgument pair = size.value<QDBusArgument>();
      pair.beginStructure();
      pair >> stream.width >> stream.height;
      pair.endStructure();
    }
    if (!first) first = stream;
  }
  list.endArray();
  return first;
}

class PortalPointerRoute final : public input_routing::PointerRoute {
 public:
  explicit PortalPointerRoute(PortalRouteSetup setup) : setup_(std::move(setup)) {}
  ~PortalPointerRoute() override { Close(); }
  PortalPointerRoute(const PortalPointerRoute&) = delete;
  PortalPointerRoute& operator=(const PortalPointerRoute&) = delete;

  Mechanism mechanism() const override { return Mechanism::kPortalRemoteDesktop; }
  ClickReach Reach() const override { return ClickReach::kEverywhere; }
  // Until a session has started: where no consent is kept, its Start asks the user.
  bool AsksConsent() const override {
    return session_.isEmpty() && !refused_ && (setup_.version < 2 || setup_.tokens.Read().empty());
  }

  bool Move(Point point) override {
    if (!Open()) return false;
    const std::vector<OutputArea> outputs = setup_.outputs();
    const auto primary = input_routing::PrimaryIndex(outputs);
    if (!primary) return false;
    // One stream covers the whole desktop: its pixels span the layout's bounding box.
    input_routing::StreamArea desktop{input_routing::BoundingBox(outputs), 1.0};
    if (stream_.width > 0 && desktop.area.width > 0) {
      desktop.scale = static_cast<double>(stream_.width) / desktop.area.width;
    }
    const auto chosen = input_routing::ChooseStream(
        std::span(&desktop, 1), input_routing::ToLayout(point, outputs[*primary]));
    if (!chosen) return false;
    return Notify(QStringLiteral("NotifyPointerMotionAbsolute"),
                  {stream_.node, chosen->x, chosen->y});
  }

  bool Button(bool pressed) override {
    if (!Open()) return false;
    return Notify(QStringLiteral("NotifyPointerButton"), {kLeftButton, uint(pressed ? 1 : 0)});
  }

 private:
  // Session, options, then the call's own arguments.
  bool Notify(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop, method);
    call.setArguments(QVariantList{QVariant::fromValue(QDBusObjectPath(session_)), QVariantMap{}} +
                      arguments);
    if (setup_.bus.call(call, QDBus::Block, kCallTimeoutMs).type() == QDBusMessage::ReplyMessage) {
      return true;
    }
    // The session may have been closed by the desktop: the next click starts a new one.
    Close();
    return false;
  }

  QString NextToken() { return QStringLiteral("tapvane%1").arg(++tokens_made_); }

  // Makes a request and waits for its answer; nullopt unless granted.
  std::optional<QVariantMap> Ask(const QString& interface, const QString& method,
                                 QVariantList arguments, QVariantMap options, int timeout_ms) {
    const QString token = NextToken();
    PortalRequest request(setup_.bus, token);
    options.insert(QStringLiteral("handle_token"), token);
    arguments.push_back(options);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = setup_.bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
      return std::nullopt;
    }
    const auto answer =
        request.Wait(reply.arguments().front().value<QDBusObjectPath>().path(), timeout_ms);
    if (!answer || answer->code != 0) return std::nullopt;
    return answer->results;
  }

  bool Open() {
    if (!session_.isEmpty()) return true;
    if (refused_ || opening_) return false;
    opening_ = true;
    const bool opened = Start();
    opening_ = false;
    if (!opened) {
      Close();
      refused_ = true;
    }
    return opened;
  }

  bool Start() {
    const QString session_token = NextToken();
    const auto created =
        Ask(kRemoteDesktop, QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), session_token}}, kCallTimeoutMs);
    if (!created) return false;
    session_ = created->value(QStringLiteral("session_handle")).toString();
    if (session_.isEmpty()) return false;
    const QVariant session = QVariant::fromValue(QDBusObjectPath(session_));

    const std::string kept = setup_.tokens.Read();
    const input_routing::DeviceSelection selection =
        input_routing::SelectDevicesFor(setup_.version, kept);
    QVariantMap devices{{QStringLiteral("types"), uint(selection.types)}};
    if (setup_.version >= 2) {
      devices.insert(QStringLiteral("persist_mode"), uint(selection.persist_mode));
      if (!selection.restore_token.empty()) {
        devices.insert(QStringLiteral("restore_token"),
                       QString::fromStdString(selection.restore_token));
      }
    }
    if (!Ask(kRemoteDesktop, QStringLiteral("SelectDevices"), {session}, devices, kCallTimeoutMs)) {
      return false;
    }
    if (!Ask(kScreenCast, QStringLiteral("SelectSources"), {session},
             {{QStringLiteral("types"), kMonitorSource}, {QStringLiteral("multiple"), false}},
             kCallTimeoutMs)) {
      return false;
    }
    // Without a kept consent the portal asks the user now (the program told why at Start).
    const auto started = Ask(kRemoteDesktop, QStringLiteral("Start"), {session, QString()}, {},
                             setup_.answer_timeout_ms);
    if (!started) return false;
    if (setup_.version >= 2) {
      // A token serves once: the new one (none when the portal keeps no consent) replaces it.
      setup_.tokens.Keep(started->value(QStringLiteral("restore_token")).toString().toStdString());
    }
    const auto stream = FirstStream(started->value(QStringLiteral("streams")));
    if (!stream) return false;
    stream_ = *stream;
    return true;
  }

  void Close() {
    if (session_.isEmpty()) return;
    QDBusMessage close = QDBusMessage::createMethodCall(
        kService, session_, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    setup_.bus.call(close, QDBus::Block, kCallTimeoutMs);
    session_.clear();
  }

  PortalRouteSetup setup_;
  QString session_;
  Stream stream_;
  int tokens_made_ = 0;
  bool refused_ = false;
  bool opening_ = false;  // a click that comes while the user is being asked is not sent here
};

}  // namespace

std::unique_ptr<input_routing::PointerRoute> MakePortalPointerRoute(PortalRouteSetup setup) {
  return std::make_unique<PortalPointerRoute>(std::move(setup));
}

std::uint32_t PortalRemoteDesktopVersion(const QDBusConnection& bus) {
  QDBusMessage get = QDBusMessage::createMethodCall(
      kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get.setArguments({kRemoteDesktop, QStringLiteral("version")});
  const QDBusMessage reply = QDBusConnection(bus).call(get, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
  return reply.arguments().front().value<QDBusVariant>().variant().toUInt();
}

}  // namespace clickora::platform::qt
