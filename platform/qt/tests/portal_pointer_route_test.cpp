#include "portal_pointer_route.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <string>
#include <vector>

namespace clickora::platform::qt {
namespace {

using input_routing::Mechanism;
using input_routing::OutputArea;

// A private bus with the stand-in portal on it; both ended by their process when done.
class StandInPortal {
 public:
  explicit StandInPortal(const QStringList& options) {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "portal_pointer_route_test";
      static char* argv[] = {name, nullptr};
      new QCoreApplication(argc, argv);
    }
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    config.open(QIODevice::WriteOnly);
    // Its own configuration: no service is started on demand, so no real portal comes up.
    config.write(R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
      <auth>EXTERNAL</auth><policy context="default"><allow send_destination="*"/>
      <allow receive_sender="*"/>
      <allow own="*"/></policy></busconfig>)");
    config.close();
    daemon_.start(QStringLiteral(CLICKORA_DBUS_DAEMON),
                  {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    daemon_.waitForReadyRead(5000);
    const QString address = QString::fromUtf8(daemon_.readLine()).trimmed();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    portal_.setProcessEnvironment(environment);
    portal_.setProcessChannelMode(QProcess::ForwardedChannels);
    portal_.start(
        QStringLiteral(CLICKORA_PYTHON3),
        QStringList{QStringLiteral(CLICKORA_PORTAL_STAND_IN), QStringLiteral("--log"), LogPath()} +
            options);
    bus_name_ = QStringLiteral("portal-test-") + QString::number(++buses_);
    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, bus_name_));
    for (int tries = 0; tries < 250; ++tries) {
      if (bus_->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")))
        break;
      QThread::msleep(20);
    }
  }
  ~StandInPortal() {
    bus_.reset();
    QDBusConnection::disconnectFromBus(bus_name_);
    for (QProcess* process : {&portal_, &daemon_}) {
      process->kill();
      process->waitForFinished(5000);
    }
  }
  StandInPortal(const StandInPortal&) = delete;
  StandInPortal& operator=(const StandInPortal&) = delete;

  QDBusConnection& bus() { return *bus_; }
  QString TokenPath() const { return dir_.filePath(QStringLiteral("state/restore-token")); }

  // The calls the portal got, in order.
  std::vector<QJsonObject> Calls() const {
    QFile log(LogPath());
    std::vector<QJsonObject> calls;
    if (!log.open(QIODevice::ReadOnly)) return calls;
    for (const QByteArray& line : log.readAll().split('\n')) {
      if (!line.isEmpty()) calls.push_back(QJsonDocument::fromJson(line).object());
    }
    return calls;
  }

 private:
  QString LogPath() const { return dir_.filePath(QStringLiteral("calls.log")); }

  static inline int buses_ = 0;
  QTemporaryDir dir_;
  QProcess daemon_;
  QProcess portal_;
  QString bus_name_;
  std::unique_ptr<QDBusConnection> bus_;
};

std::vector<QString> Methods(const std::vector<QJsonObject>& calls) {
  std::vector<QString> methods;
  for (const QJsonObject& call : calls)
    methods.push_back(call[QStringLiteral("method")].toString());
  return methods;
}

QJsonObject Options(const std::vector<QJsonObject>& calls, const QString& method) {
  for (const QJsonObject& call : calls) {
    if (call[QStringLiteral("method")] == method) return call[QStringLiteral("options")].toObject();
  }
  return {};
}

std::unique_ptr<input_routing::PointerRoute> MakeRoute(StandInPortal& portal, std::uint32_t version,
                                                       std::vector<OutputArea> outputs) {
  return MakePortalPointerRoute(
      {.bus = portal.bus(),
       .version = version,
       .outputs = [outputs] { return outputs; },
       .tokens = input_routing::RestoreTokenFile(portal.TokenPath().toStdString()),
       .answer_timeout_ms = 5000});
}

const std::vector<OutputArea> kOneMonitor{{0, 0, 1280, 720}};

TEST(PortalPointerRouteTest, AsksOnceWithTheConsentTheVersionKeeps) {
  struct Case {
    const char* name;
    std::uint32_t version;
    std::string kept;         // the token kept before
    const char* handed_back;  // what the portal's Start gives back
    QJsonObject devices;      // SelectDevices' options besides handle_token
    bool asks;                // whether the first click will ask the user
    std::string kept_after;
  };
  const Case cases[] = {
      {"kept token reused, new one kept",
       2,
       "old",
       "new",
       {{"types", 2}, {"persist_mode", 2}, {"restore_token", "old"}},
       false,
       "new"},
      {"first start asks and keeps",
       2,
       "",
       "new",
       {{"types", 2}, {"persist_mode", 2}},
       true,
       "new"},
      {"spent token forgotten",
       2,
       "old",
       "",
       {{"types", 2}, {"persist_mode", 2}, {"restore_token", "old"}},
       false,
       ""},
      {"version 1 keeps nothing", 1, "old", "", {{"types", 2}}, true, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandInPortal portal({QStringLiteral("--version"), QString::number(c.version),
                          QStringLiteral("--restore-token"), QString::fromUtf8(c.handed_back)});
    const input_routing::RestoreTokenFile tokens(portal.TokenPath().toStdString());
    if (!c.kept.empty()) {
      ASSERT_TRUE(tokens.Keep(c.kept));
    }
    auto route = MakeRoute(portal, c.version, kOneMonitor);
    EXPECT_EQ(route->AsksConsent(), c.asks);
    // Two clicks: the session of the first serves the second.
    for (int click = 0; click < 2; ++click) {
      ASSERT_TRUE(route->Move({100, 200}));
      ASSERT_TRUE(route->Button(true));
      ASSERT_TRUE(route->Button(false));
    }
    const auto calls = portal.Calls();
    const std::vector<QString> expected{"CreateSession",
                                        "SelectDevices",
                                        "SelectSources",
                                        "Start",
                                        "NotifyPointerMotionAbsolute",
                                        "NotifyPointerButton",
                                        "NotifyPointerButton",
                                        "NotifyPointerMotionAbsolute",
                                        "NotifyPointerButton",
                                        "NotifyPointerButton"};
    EXPECT_EQ(Methods(calls), expected);
    QJsonObject devices = Options(calls, "SelectDevices");
    devices.remove("handle_token");
    EXPECT_EQ(devices, c.devices);
    QJsonObject sources = Options(calls, "SelectSources");
    EXPECT_EQ(sources["types"].toInt(), 1);
    EXPECT_EQ(sources["multiple"].toBool(true), false);
    // Every request its own token; every later call on the session the portal handed back.
    std::set<QString> handle_tokens;
    for (const char* method : {"CreateSession", "SelectDevices", "SelectSources", "Start"}) {
      handle_tokens.insert(Options(calls, method)["handle_token"].toString());
    }
    EXPECT_EQ(handle_tokens.size(), 4u);
    const QString session_token =
        Options(calls, "CreateSession")["session_handle_token"].toString();
    EXPECT_FALSE(session_token.isEmpty());
    for (std::size_t i = 1; i < calls.size(); ++i) {
      EXPECT_TRUE(calls[i]["args"].toArray()[0].toString().endsWith("/" + session_token))
          << calls[i]["method"].toString().toStdString();
    }
    // BTN_LEFT pressed, then released.
    EXPECT_EQ(calls[5]["args"].toArray()[1].toInt(), 0x110);
    EXPECT_EQ(calls[5]["args"].toArray()[2].toInt(), 1);
    EXPECT_EQ(calls[6]["args"].toArray()[2].toInt(), 0);
    EXPECT_FALSE(route->AsksConsent());  // the session started serves every later click
    EXPECT_EQ(tokens.Read(), c.kept_after);
    route.reset();
    EXPECT_EQ(Methods(portal.Calls()).back(), "Close");
  }
}

TEST(PortalPointerRouteTest, PointsLandOnTheDesktopStream) {
  struct Case {
    const char* name;
    std::vector<OutputArea> outputs;
    QStringList stream_size;  // empty: the portal gives none
    Point point;
    double x, y;
  };
  const Case cases[] = {
      {"primary only", kOneMonitor, {}, {100, 200}, 100, 200},
      {"output left of and below the primary",
       {{0, 0, 1280, 720}, {-800, 100, 800, 600}},
       {},
       {-10, 650},
       790,
       650},
      {"stream in pixels twice the layout",
       {{0, 0, 1280, 720}, {1280, 0, 800, 600}},
       {"4160", "1440"},
       {1300, 10},
       2600,
       20},
      {"off the desktop stops at its edge", kOneMonitor, {}, {1500, -40}, 1279, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList options{QStringLiteral("--node"), QStringLiteral("7")};
    if (!c.stream_size.isEmpty()) options << QStringLiteral("--stream-size") << c.stream_size;
    StandInPortal portal(options);
    auto route = MakeRoute(portal, 2, c.outputs);
    ASSERT_TRUE(route->Move(c.point));
    const QJsonArray motion = portal.Calls().back()["args"].toArray();
    EXPECT_EQ(motion[1].toInt(), 7);
    EXPECT_DOUBLE_EQ(motion[2].toDouble(), c.x);
    EXPECT_DOUBLE_EQ(motion[3].toDouble(), c.y);
  }
}

// The route after it, in the program's order.
class NextRoute final : public input_routing::PointerRoute {
 public:
  explicit NextRoute(std::vector<std::string>& journal) : journal_(journal) {}
  Mechanism mechanism() const override { return Mechanism::kXTest; }
  ClickReach Reach() const override { return ClickReach::kX11WindowsOnly; }
  bool Move(Point point) override {
    journal_.push_back("move " + std::to_string(point.x) + "," + std::to_string(point.y));
    return true;
  }
  bool Button(bool pressed) override {
    journal_.push_back(pressed ? "down" : "up");
    return true;
  }

 private:
  std::vector<std::string>& journal_;
};

TEST(PortalPointerRouteTest, RefusedConsentIsNotAskedAgainAndTheNextRouteClicks) {
  StandInPortal portal({QStringLiteral("--refuse")});
  std::vector<std::string> told;
  std::vector<std::string> journal;
  std::vector<std::unique_ptr<input_routing::PointerRoute>> routes;
  routes.push_back(MakeRoute(portal, 2, kOneMonitor));
  routes.push_back(std::make_unique<NextRoute>(journal));
  input_routing::RoutedPointerInput input(
      std::move(routes), [] { return std::optional<Point>(); },
      [&told](std::string_view text) { told.emplace_back(text); });
  EXPECT_TRUE(input.AsksConsent());
  for (int click = 0; click < 2; ++click) {
    input.SetCursorPos({10, 20});
    input.MouseEvent(kLeftButtonDown);
    input.MouseEvent(kLeftButtonUp);
  }
  const std::vector<std::string> clicked{"move 10,20", "down", "up", "move 10,20", "down", "up"};
  EXPECT_EQ(journal, clicked);
  const std::vector<std::string> said{
      input_routing::FailedRouteText(Mechanism::kPortalRemoteDesktop, Mechanism::kXTest)};
  EXPECT_EQ(told, said);
  EXPECT_FALSE(input.AsksConsent());
  const std::vector<QString> asked{"CreateSession", "SelectDevices", "SelectSources", "Start",
                                   "Close"};
  EXPECT_EQ(Methods(portal.Calls()), asked);
}

TEST(PortalPointerRouteTest, VersionIsReadFromThePortal) {
  StandInPortal portal({QStringLiteral("--version"), QStringLiteral("2")});
  EXPECT_EQ(PortalRemoteDesktopVersion(portal.bus()), 2u);
}

}  // namespace
}  // namespace clickora::platform::qt
