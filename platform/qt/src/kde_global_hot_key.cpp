#include "kde_global_hot_key.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QList>
#include <utility>
#include <vector>

#include "platform/forms/key_string.h"

namespace clickora::platform::qt {
namespace {

const QString kService = QStringLiteral("org.kde.kglobalaccel");
const QString kPath = QStringLiteral("/kglobalaccel");
const QString kInterface = QStringLiteral("org.kde.KGlobalAccel");
constexpr int kQtKeyF1 = 0x01000030;  // Qt::Key_F1; F2 to F16 follow it
constexpr uint kSetPresent = 2;
constexpr uint kNoAutoloading = 4;

QDBusMessage Call(const QString& method, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  call.setArguments(arguments);
  return QDBusConnection::sessionBus().call(call);
}

// The Qt key code of the one function key a key string names; 0 for any other.
int QtKeyCode(std::string_view key) {
  const std::vector<forms::KeyStroke> strokes = forms::ParseKeyString(key);
  if (strokes.size() != 1 || !strokes[0].key) return 0;
  const auto index = static_cast<int>(*strokes[0].key);
  if (index > static_cast<int>(forms::NamedKey::kF16)) return 0;
  return kQtKeyF1 + index;
}

}  // namespace

KdeGlobalHotKey::KdeGlobalHotKey()
    : action_{QStringLiteral("clickora-tapvane"), QStringLiteral("stop"),
              QStringLiteral("Clickora"), QStringLiteral("หยุดการคลิก")} {
  qDBusRegisterMetaType<QList<int>>();
  pressed_.setSingleShot(true);
  pressed_.setInterval(0);
  QObject::connect(&pressed_, &QTimer::timeout, [this] {
    if (held_ && on_pressed_) on_pressed_();
  });
}

KdeGlobalHotKey::~KdeGlobalHotKey() {
  Release();
}

bool KdeGlobalHotKey::Offered() {
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  return bus != nullptr && bus->isServiceRegistered(kService).value();
}

HotKeyResult KdeGlobalHotKey::Hold(std::string_view key, std::function<void()> on_pressed) {
  using Failure = HotKeyResult::Failure;
  on_pressed_ = std::move(on_pressed);
  const int code = QtKeyCode(key);
  if (code == 0) return {Failure::kUnavailable, "kglobalaccel: " + std::string(key)};
  if (held_) return {};
  if (Call(QStringLiteral("doRegister"), {action_}).type() != QDBusMessage::ReplyMessage) {
    return {Failure::kUnavailable, "kglobalaccel"};
  }
  const QDBusReply<QList<int>> set =
      Call(QStringLiteral("setShortcut"),
           {action_, QVariant::fromValue(QList<int>{code}), kSetPresent | kNoAutoloading});
  if (!set.isValid()) return {Failure::kUnavailable, set.error().message().toStdString()};
  // The service sets no key that another component holds.
  if (set.value().isEmpty() || set.value().front() != code) {
    Call(QStringLiteral("unregister"), {action_[0], action_[1]});
    return {Failure::kTaken, "kglobalaccel"};
  }
  if (!connected_) {
    const QDBusReply<QDBusObjectPath> component =
        Call(QStringLiteral("getComponent"), {action_[0]});
    connected_ =
        component.isValid() &&
        QDBusConnection::sessionBus().connect(
            kService, component.value().path(), QStringLiteral("org.kde.kglobalaccel.Component"),
            QStringLiteral("globalShortcutPressed"), &pressed_, SLOT(start()));
    if (!connected_) {
      Call(QStringLiteral("unregister"), {action_[0], action_[1]});
      return {Failure::kUnavailable, "kglobalaccel: globalShortcutPressed"};
    }
  }
  held_ = true;
  return {};
}

void KdeGlobalHotKey::Release() {
  if (!held_) return;
  held_ = false;
  pressed_.stop();
  // The key goes back to the desktop: the action and its shortcut are forgotten.
  Call(QStringLiteral("unregister"), {action_[0], action_[1]});
}

}  // namespace clickora::platform::qt
