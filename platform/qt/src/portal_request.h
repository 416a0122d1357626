#pragma once

#include <QDBusConnection>
#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace clickora::platform::qt {

// One request of the desktop portal: the call hands back a request object whose Response
// signal carries the answer, perhaps only after the user has answered a dialog.
class PortalRequest final : public QObject {
  Q_OBJECT

 public:
  // The answer: 0 granted, 1 cancelled by the user, 2 refused otherwise.
  struct Answer {
    uint code = 2;
    QVariantMap results;
  };

  // token: the handle_token of the request, unique within the program's connection.
  PortalRequest(QDBusConnection bus, const QString& token);
  ~PortalRequest() override;
  PortalRequest(const PortalRequest&) = delete;
  PortalRequest& operator=(const PortalRequest&) = delete;

  // Where the portal puts the request object of a token: known before the call, so that the
  // answer cannot come before the program listens for it.
  static QString PathFor(const QDBusConnection& bus, const QString& token);

  // Waits for the answer (events are handled meanwhile); nullopt when none came in time.
  // handle: the request object the call returned, listened to as well where it differs.
  std::optional<Answer> Wait(const QString& handle, int timeout_ms);

 private slots:
  void OnResponse(uint code, const QVariantMap& results);

 private:
  bool Listen(const QString& path);

  QDBusConnection bus_;
  QString path_;
  QString other_path_;
  QEventLoop loop_;
  std::optional<Answer> answer_;
};

}  // namespace clickora::platform::qt
