#include "dbus_keep_awake.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

namespace clickora::platform::qt {
namespace {

// A desktop service that does not answer within this time is taken as missing: the question is
// asked on the UI thread, once at each Start.
constexpr int kAnswerMs = 3000;
constexpr unsigned int kInhibitSuspend = 4;  // the portal's and GNOME's flag: suspend only

// Calls and returns the reply; an error reply names the service, for the reason told to the user.
QDBusMessage Call(const QDBusConnection& bus, const QDBusMessage& call) {
  if (!bus.isConnected()) {
    return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                 QStringLiteral("no bus"));
  }
  return QDBusConnection(bus).call(call, QDBus::Block, kAnswerMs);
}

bool Answered(const QDBusMessage& reply, const char* service, std::string& error) {
  if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) return true;
  if (!error.empty()) error += "; ";
  error += service;
  error += ": ";
  error += reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage().toStdString()
                                                      : std::string("no answer");
  return false;
}

void Send(const QDBusConnection& bus, const QDBusMessage& call) {
  if (bus.isConnected()) QDBusConnection(bus).call(call, QDBus::Block, kAnswerMs);
}

}  // namespace

bool DBusKeepAwake::HoldPortal(const QString& reason, std::string& error) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.portal.Desktop"),
      QStringLiteral("/org/freedesktop/portal/desktop"),
      QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
  QVariantMap options;
  options.insert(QStringLiteral("reason"), reason);
  call << QString() << kInhibitSuspend << options;
  const QDBusMessage reply = Call(QDBusConnection::sessionBus(), call);
  if (!Answered(reply, "portal", error)) return false;
  portal_request_ = reply.arguments().first().value<QDBusObjectPath>().path();
  return !portal_request_.isEmpty();
}

bool DBusKeepAwake::HoldGnome(const QString& reason, std::string& error) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
      QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("tapvane") << 0U << reason << kInhibitSuspend;
  const QDBusMessage reply = Call(QDBusConnection::sessionBus(), call);
  if (!Answered(reply, "org.gnome.SessionManager", error)) return false;
  cookie_ = reply.arguments().first().toUInt();
  return true;
}

bool DBusKeepAwake::HoldPowerManagement(const QString& reason, std::string& error) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.PowerManagement"),
      QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
      QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("Inhibit"));
  call << QStringLiteral("tapvane") << reason;
  const QDBusMessage reply = Call(QDBusConnection::sessionBus(), call);
  if (!Answered(reply, "org.freedesktop.PowerManagement", error)) return false;
  cookie_ = reply.arguments().first().toUInt();
  return true;
}

bool DBusKeepAwake::HoldLogind(const QString& reason, std::string& error) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep") << QStringLiteral("tapvane") << reason << QStringLiteral("block");
  const QDBusMessage reply = Call(QDBusConnection::systemBus(), call);
  if (!Answered(reply, "logind", error)) return false;
  // The reply's descriptor closes with the message; the lock lives as long as a copy is open.
  const auto lock = reply.arguments().first().value<QDBusUnixFileDescriptor>();
  lock_fd_ = lock.isValid() ? ::dup(lock.fileDescriptor()) : -1;
  if (lock_fd_ < 0) {
    error += "; logind: no inhibitor lock in the answer";
    return false;
  }
  return true;
}

KeepAwakeResult DBusKeepAwake::Hold(std::string_view reason_text) {
  if (way_ != Way::kNone) return {true, {}};
  const QString reason =
      QString::fromUtf8(reason_text.data(), static_cast<qsizetype>(reason_text.size()));
  std::string error;
  if (HoldPortal(reason, error)) {
    way_ = Way::kPortal;
    return {true, "org.freedesktop.portal.Inhibit"};
  }
  if (HoldGnome(reason, error)) {
    way_ = Way::kGnome;
    return {true, "org.gnome.SessionManager"};
  }
  if (HoldPowerManagement(reason, error)) {
    way_ = Way::kPowerManagement;
    return {true, "org.freedesktop.PowerManagement"};
  }
  if (HoldLogind(reason, error)) {
    way_ = Way::kLogind;
    return {true, "org.freedesktop.login1"};
  }
  return {false, error};
}

void DBusKeepAwake::Release() {
  switch (way_) {
    case Way::kPortal:
      Send(QDBusConnection::sessionBus(),
           QDBusMessage::createMethodCall(
               QStringLiteral("org.freedesktop.portal.Desktop"), portal_request_,
               QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
      portal_request_.clear();
      break;
    case Way::kGnome: {
      QDBusMessage call = QDBusMessage::createMethodCall(
          QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
          QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Uninhibit"));
      call << cookie_;
      Send(QDBusConnection::sessionBus(), call);
      break;
    }
    case Way::kPowerManagement: {
      QDBusMessage call = QDBusMessage::createMethodCall(
          QStringLiteral("org.freedesktop.PowerManagement"),
          QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
          QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("UnInhibit"));
      call << cookie_;
      Send(QDBusConnection::sessionBus(), call);
      break;
    }
    case Way::kLogind:
      ::close(lock_fd_);
      lock_fd_ = -1;
      break;
    case Way::kNone:
      break;
  }
  way_ = Way::kNone;
}

}  // namespace clickora::platform::qt
