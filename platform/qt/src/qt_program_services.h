#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/program_services.h"

namespace clickora::platform::qt {

class QtHelpWindow;

// Program services of the Linux runtime. F1 in the program's window or in one of its dialogs
// (typed, or queued by SendKeysNoWait) opens the HTML manual that stands for the help file in the
// program's own help window, and says so in a message box when there is none.
class QtProgramServices final : public QObject, public ProgramServices {
 public:
  QtProgramServices();
  ~QtProgramServices() override;

  // The caption of every message box; the window whose F1 opens the help and that queued keys go
  // to.
  void SetApplicationTitle(std::string_view title);
  void SetMainWindow(QWidget* window);
  // A step that EndProgram takes before the process goes: giving back what the desktop keeps for
  // the program beyond its process (a key bound in the compositor, a compositor script). The
  // steps run last first.
  void AtEnd(std::function<void()> step) { at_end_.push_back(std::move(step)); }

  std::string ProgramFolder() override;
  void SetHelpFile(std::string_view path) override;
  void SendKeysNoWait(std::string_view keys) override;
  void ShowMessage(std::string_view text) override;
  numbers::NumberFormat UserNumberFormat() override;
  [[noreturn]] void EndProgram(int exit_code) override;

  // Opens the manual of the help file in the help window; the program goes on beside it.
  void OpenHelp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString title_;
  QPointer<QWidget> main_window_;
  std::string help_file_;
  // Made at the first F1; a dialog it follows may take it along when it goes.
  QPointer<QtHelpWindow> help_window_;
  std::vector<std::function<void()>> at_end_;
};

}  // namespace clickora::platform::qt
