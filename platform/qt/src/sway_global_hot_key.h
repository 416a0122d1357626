#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/global_hot_key.h"

class QSocketNotifier;

namespace clickora::platform::qt {

// A key of the whole desktop on sway, which lets no X client grab a key from its native
// windows: the key is bound over sway's IPC socket ($SWAYSOCK) to a command that does nothing
// but name this program, and sway's binding events on a second connection of the IPC, which
// the toolkit's event loop watches, report its presses. The binding is undone on Release.
// NOTE: sway replaces a user's own binding of the key without a word, and undoing it does not
// bring the user's back: a key that the configuration already binds is reported taken.
class SwayGlobalHotKey final : public GlobalHotKey {
 public:
  explicit SwayGlobalHotKey(std::string socket_path);
  ~SwayGlobalHotKey() override;
  SwayGlobalHotKey(const SwayGlobalHotKey&) = delete;
  SwayGlobalHotKey& operator=(const SwayGlobalHotKey&) = delete;

  // Only a key string of one function key ("{F6}") can be held.
  HotKeyResult Hold(std::string_view key, std::function<void()> on_pressed) override;
  void Release() override;

 private:
  void ReadEvents();
  void CloseEvents();

  std::string socket_path_;
  std::string bound_key_;  // the sway name of the key bound now; empty while none is
  std::string tag_;        // the command bound to it, which names this program
  int event_socket_ = -1;
  std::string event_bytes_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> on_pressed_;
};

}  // namespace clickora::platform::qt
