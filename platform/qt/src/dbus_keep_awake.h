#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/keep_awake.h"

namespace clickora::platform::qt {

// Keeps the system (never the display) awake through the first of the desktop's services that
// answers: the portal's Inhibit (suspend only), GNOME's session manager, the freedesktop power
// management, and last logind's sleep inhibitor lock on the system bus. Each is asked to stop
// suspend only, so the screen saver and the lock still come.
class DBusKeepAwake final : public KeepAwake {
 public:
  DBusKeepAwake() = default;
  ~DBusKeepAwake() override { Release(); }
  DBusKeepAwake(const DBusKeepAwake&) = delete;
  DBusKeepAwake& operator=(const DBusKeepAwake&) = delete;

  KeepAwakeResult Hold(std::string_view reason) override;
  void Release() override;

 private:
  enum class Way { kNone, kPortal, kGnome, kPowerManagement, kLogind };

  bool HoldPortal(const QString& reason, std::string& error);
  bool HoldGnome(const QString& reason, std::string& error);
  bool HoldPowerManagement(const QString& reason, std::string& error);
  bool HoldLogind(const QString& reason, std::string& error);

  Way way_ = Way::kNone;
  QString portal_request_;  // the portal's request object; closing it ends the inhibition
  unsigned int cookie_ = 0;
  int lock_fd_ = -1;  // logind's inhibitor lock: held while the descriptor is open
};

}  // namespace clickora::platform::qt
