#include "kwin_cursor_watch.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QString>

namespace clickora::platform::qt {
namespace {

const QString kKwin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("org.kde.kwin.Scripting");
const QString kPath = QStringLiteral("/CursorWatch");
const QString kInterface = QStringLiteral("org.clickora.CursorWatch");

QDBusMessage CallScripting(const QString& method, const QVariantList& arguments) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kKwin, QStringLiteral("/Scripting"), kScripting, method);
  call.setArguments(arguments);
  return QDBusConnection::sessionBus().call(call);
}

}  // namespace

// Takes the script's calls without a meta-object of its own.
struct KwinCursorWatch::Receiver final : QDBusVirtualObject {
  std::optional<Point> position;

  bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
    if (message.interface() != kInterface || message.member() != QStringLiteral("Moved")) {
      return false;
    }
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 2) return false;
    position = Point{arguments[0].toInt(), arguments[1].toInt()};
    return true;
  }
  QString introspect(const QString&) const override {
    return QStringLiteral(
        "<interface name=\"org.clickora.CursorWatch\"><method name=\"Moved\">"
        "<arg type=\"i\" direction=\"in\"/><arg type=\"i\" direction=\"in\"/>"
        "</method></interface>");
  }
};

std::unique_ptr<KwinCursorWatch> KwinCursorWatch::Start() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.interface() == nullptr || !bus.interface()->isServiceRegistered(kKwin).value()) {
    return nullptr;
  }
  std::unique_ptr<KwinCursorWatch> watch(new KwinCursorWatch);
  watch->receiver_ = std::make_unique<Receiver>();
  if (!bus.registerVirtualObject(kPath, watch->receiver_.get())) return nullptr;
  // The script calls the program by its unique name on the bus, which no other program can own.
  const QString self = bus.baseService();
  watch->plugin_ = QStringLiteral("clickora-cursor-watch-%1").arg(getpid());
  watch->script_path_ = QDir::temp().filePath(watch->plugin_ + QStringLiteral(".js"));
  QFile script(watch->script_path_);
  if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate)) return nullptr;
  script.write(QStringLiteral("workspace.cursorPosChanged.connect(function () {\n"
                              "  callDBus(\"%1\", \"%2\", \"%3\", \"Moved\",\n"
                              "           workspace.cursorPos.x, workspace.cursorPos.y);\n"
                              "});\n")
                   .arg(self, kPath, kInterface)
                   .toUtf8());
  script.close();
  const QDBusReply<int> loaded =
      CallScripting(QStringLiteral("loadScript"), {watch->script_path_, watch->plugin_});
  if (!loaded.isValid() || loaded.value() < 0) return nullptr;
  CallScripting(QStringLiteral("start"), {});
  return watch;
}

KwinCursorWatch::~KwinCursorWatch() {
  if (!plugin_.isEmpty()) CallScripting(QStringLiteral("unloadScript"), {plugin_});
  if (!script_path_.isEmpty()) QFile::remove(script_path_);
  QDBusConnection::sessionBus().unregisterObject(kPath);
}

std::optional<Point> KwinCursorWatch::Position() const {
  return receiver_->position;
}

}  // namespace clickora::platform::qt
