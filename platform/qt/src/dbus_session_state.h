#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>

#include "platform/session_state.h"

namespace clickora::platform::qt {

// The session's lock and the system's sleeps, from the desktop's services on D-Bus: logind's
// LockedHint of this session and its change, or else the screen saver's active state; logind's
// PrepareForSleep for the sleeps. Asked when first needed, then followed by their signals.
// Without any of them the session counts as unlocked.
class DBusSessionState final : public QObject, public SessionState {
  Q_OBJECT

 public:
  DBusSessionState() = default;

  bool InputLocked() override;
  std::uint32_t Wakes() override;

 private slots:
  void SessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                const QStringList& invalidated);
  void PrepareForSleep(bool starting);
  void ScreenSaverActiveChanged(bool active);

 private:
  void WatchOnce();
  bool WatchLogind();
  bool WatchScreenSaver();

  bool watching_ = false;
  QString session_path_;
  bool locked_ = false;
  std::uint32_t wakes_ = 0;
};

}  // namespace clickora::platform::qt
