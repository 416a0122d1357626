#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>
#include <string_view>

#include "platform/program_services.h"

namespace clickora::platform::qt {

// Program services of the Linux runtime. The help file stands in for the system's help viewer:
// F1 in the program's window (typed, or queued by SendKeysNoWait) opens it with the desktop's
// opener (xdg-open), and says so in a message box when that cannot be done.
class QtProgramServices final : public QObject, public ProgramServices {
 public:
  QtProgramServices();
  ~QtProgramServices() override;

  // The caption of every message box; the window whose F1 opens the help and that queued keys go
  // to.
  void SetApplicationTitle(std::string_view title);
  void SetMainWindow(QWidget* window);

  std::string ProgramFolder() override;
  void SetHelpFile(std::string_view path) override;
  void SendKeysNoWait(std::string_view keys) override;
  void ShowMessage(std::string_view text) override;
  numbers::NumberFormat UserNumberFormat() override;
  [[noreturn]] void EndProgram(int exit_code) override;

  // Opens the help file beside the program, without waiting for the viewer.
  void OpenHelp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString title_;
  QPointer<QWidget> main_window_;
  std::string help_file_;
};

}  // namespace clickora::platform::qt
