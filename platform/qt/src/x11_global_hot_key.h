#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/global_hot_key.h"

class QSocketNotifier;

namespace clickora::platform::qt {

// A key of the whole desktop on X11: a passive grab of the key on the root window, so that the
// server sends its presses to this program whichever window has the focus. The grab is made on
// a display connection of its own, whose socket the toolkit's event loop watches, so the presses
// arrive between the window's other events and the toolkit's connection is left alone.
// NOTE: X matches a grab against the exact modifier state, and Caps Lock and Num Lock are
// modifiers there: the key is grabbed with each combination of the two, so that it works
// whichever lock is on.
class X11GlobalHotKey final : public GlobalHotKey {
 public:
  X11GlobalHotKey();
  ~X11GlobalHotKey() override;
  X11GlobalHotKey(const X11GlobalHotKey&) = delete;
  X11GlobalHotKey& operator=(const X11GlobalHotKey&) = delete;

  // Only a key string of one named key without modifiers ("{F6}") can be held. Another client's
  // grab of the key (BadAccess) is kTaken; no display, or a key the keyboard lacks, kUnavailable.
  HotKeyResult Hold(std::string_view key, std::function<void()> on_pressed) override;
  void Release() override;

 private:
  struct Connection;
  void ReadEvents();
  void Ungrab();

  std::unique_ptr<Connection> connection_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> on_pressed_;
};

}  // namespace clickora::platform::qt
