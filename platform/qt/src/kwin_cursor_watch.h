#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "platform/program_services.h"

namespace clickora::platform::qt {

// The pointer's position on KDE Plasma's Wayland session, which no client can ask for: a KWin
// script of the program's own, loaded at start-up and unloaded with the program, sends every
// move of the pointer to the program over the session bus. Positions are the layout's logical
// coordinates.
class KwinCursorWatch {
 public:
  // nullptr where KWin's scripting is not on the session bus or the script cannot be loaded.
  static std::unique_ptr<KwinCursorWatch> Start();
  ~KwinCursorWatch();
  KwinCursorWatch(const KwinCursorWatch&) = delete;
  KwinCursorWatch& operator=(const KwinCursorWatch&) = delete;

  // The last position KWin reported; nullopt before its first report.
  std::optional<Point> Position() const;

  struct Receiver;

 private:
  KwinCursorWatch() = default;
  std::unique_ptr<Receiver> receiver_;
  QString plugin_;
  QString script_path_;
};

}  // namespace clickora::platform::qt
