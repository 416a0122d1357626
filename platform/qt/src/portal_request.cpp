#include "portal_request.h"

#include <QTimer>

namespace clickora::platform::qt {
namespace {

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

}  // namespace

PortalRequest::PortalRequest(QDBusConnection bus, const QString& token)
    : bus_(std::move(bus)), path_(PathFor(bus_, token)) {
  Listen(path_);
}

PortalRequest::~PortalRequest() {
  bus_.disconnect(QString(), path_, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(OnResponse(uint, QVariantMap)));
  if (!other_path_.isEmpty()) {
    bus_.disconnect(QString(), other_path_, kRequestInterface, QStringLiteral("Response"), this,
                    SLOT(OnResponse(uint, QVariantMap)));
  }
}

QString PortalRequest::PathFor(const QDBusConnection& bus, const QString& token) {
  // The sender's unique name without its colon, dots as underscores (":1.42" -> "1_42").
  QString sender = bus.baseService();
  if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + QLatin1Char('/') +
         token;
}

bool PortalRequest::Listen(const QString& path) {
  return bus_.connect(QString(), path, kRequestInterface, QStringLiteral("Response"), this,
                      SLOT(OnResponse(uint, QVariantMap)));
}

std::optional<PortalRequest::Answer> PortalRequest::Wait(const QString& handle, int timeout_ms) {
  // NOTE: portals older than the handle_token option put the request object elsewhere; its
  // answer may then come before this listens, and the wait ends without one.
  if (!handle.isEmpty() && handle != path_ && other_path_.isEmpty()) {
    other_path_ = handle;
    Listen(other_path_);
  }
  if (answer_) return answer_;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop_, &QEventLoop::quit);
  limit.start(timeout_ms);
  loop_.exec(QEventLoop::ExcludeUserInputEvents);
  return answer_;
}

void PortalRequest::OnResponse(uint code, const QVariantMap& results) {
  answer_ = Answer{code, results};
  loop_.quit();
}

}  // namespace clickora::platform::qt
