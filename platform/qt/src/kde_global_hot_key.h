#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string_view>

#include "platform/global_hot_key.h"

namespace clickora::platform::qt {

// A key of the whole desktop on KDE Plasma, through its shortcut service (org.kde.kglobalaccel
// on the session bus), which reaches the program whichever window has the focus, native Wayland
// ones too. The key is set as the one shortcut of a component of the program's own while a run
// goes, and taken away again on Release. A key that another component holds is not set: the
// service answers with no key, which is kTaken.
class KdeGlobalHotKey final : public GlobalHotKey {
 public:
  KdeGlobalHotKey();
  ~KdeGlobalHotKey() override;
  KdeGlobalHotKey(const KdeGlobalHotKey&) = delete;
  KdeGlobalHotKey& operator=(const KdeGlobalHotKey&) = delete;

  // Whether the session bus has the shortcut service.
  static bool Offered();

  // Only a key string of one function key ("{F6}") can be held.
  HotKeyResult Hold(std::string_view key, std::function<void()> on_pressed) override;
  void Release() override;

 private:
  QStringList action_;  // component, action, and their names as the user sees them
  bool held_ = false;
  bool connected_ = false;
  // Started by the service's signal (a slot without arguments, so no meta-object of our own is
  // needed); its timeout runs the handler between other events.
  QTimer pressed_;
  std::function<void()> on_pressed_;
};

}  // namespace clickora::platform::qt
