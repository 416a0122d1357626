#include "dbus_session_state.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace clickora::platform::qt {
namespace {

constexpr int kAnswerMs = 3000;
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");

// The first argument of the reply, or an invalid variant when the call failed.
QVariant Ask(QDBusConnection bus, const QDBusMessage& call) {
  if (!bus.isConnected()) return {};
  const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  return reply.arguments().first();
}

// This program's logind session: the one logind picks for the caller, else the one of its
// process (older logind knows no "auto").
QString SessionPath(const QDBusConnection& bus) {
  QDBusMessage by_name =
      QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager, QStringLiteral("GetSession"));
  by_name << QStringLiteral("auto");
  QVariant path = Ask(bus, by_name);
  if (!path.isValid()) {
    QDBusMessage by_pid = QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager,
                                                         QStringLiteral("GetSessionByPID"));
    by_pid << static_cast<unsigned int>(::getpid());
    path = Ask(bus, by_pid);
  }
  return path.isValid() ? path.value<QDBusObjectPath>().path() : QString();
}

}  // namespace

bool DBusSessionState::WatchLogind() {
  QDBusConnection bus = QDBusConnection::systemBus();
  session_path_ = SessionPath(bus);
  if (session_path_.isEmpty()) return false;
  QDBusMessage get =
      QDBusMessage::createMethodCall(kLogind, session_path_, kProperties, QStringLiteral("Get"));
  get << kSession << QStringLiteral("LockedHint");
  const QVariant hint = Ask(bus, get);
  if (!hint.isValid()) return false;
  locked_ = hint.value<QDBusVariant>().variant().toBool();
  bus.connect(kLogind, session_path_, kProperties, QStringLiteral("PropertiesChanged"), this,
              SLOT(SessionPropertiesChanged(QString, QVariantMap, QStringList)));
  return true;
}

bool DBusSessionState::WatchScreenSaver() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");
  const QVariant active = Ask(bus, QDBusMessage::createMethodCall(kScreenSaver, path, kScreenSaver,
                                                                  QStringLiteral("GetActive")));
  if (!active.isValid()) return false;
  locked_ = active.toBool();
  bus.connect(kScreenSaver, path, kScreenSaver, QStringLiteral("ActiveChanged"), this,
              SLOT(ScreenSaverActiveChanged(bool)));
  return true;
}

void DBusSessionState::WatchOnce() {
  if (watching_) return;
  watching_ = true;
  if (!WatchLogind()) WatchScreenSaver();
  QDBusConnection::systemBus().connect(kLogind, kLogindPath, kManager,
                                       QStringLiteral("PrepareForSleep"), this,
                                       SLOT(PrepareForSleep(bool)));
}

void DBusSessionState::SessionPropertiesChanged(const QString& interface,
                                                const QVariantMap& changed,
                                                const QStringList& invalidated) {
  if (interface != kSession) return;
  if (const auto hint = changed.find(QStringLiteral("LockedHint")); hint != changed.end()) {
    locked_ = hint->toBool();
  } else if (invalidated.contains(QStringLiteral("LockedHint"))) {
    WatchLogind();  // asks again
  }
}

void DBusSessionState::PrepareForSleep(bool starting) {
  if (!starting) ++wakes_;
}

void DBusSessionState::ScreenSaverActiveChanged(bool active) {
  locked_ = active;
}

bool DBusSessionState::InputLocked() {
  WatchOnce();
  return locked_;
}

std::uint32_t DBusSessionState::Wakes() {
  WatchOnce();
  return wakes_;
}

}  // namespace clickora::platform::qt
