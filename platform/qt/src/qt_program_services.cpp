#include "qt_program_services.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <cstdlib>

#include "install_layout.h"
#include "message_box.h"
#include "platform/posix/posix_services.h"
#include "qt_conversions.h"
#include "qt_help_window.h"
#include "shown_state.h"

namespace clickora::platform::qt {
namespace {

// The user manual was not found: followed by where it was looked for. In the program's own
// language, as all its messages, whatever the desktop's.
constexpr std::string_view kManualMissingHead = "ไม่พบคู่มือการใช้งาน ";

}  // namespace

QtProgramServices::QtProgramServices() : title_(QStringLiteral("Quorvel")) {
  // F1 may be typed in any control of the window; it reaches the window only if the control
  // ignores it, so the application-wide filter sees it first.
  QCoreApplication::instance()->installEventFilter(this);
}

QtProgramServices::~QtProgramServices() {
  delete help_window_;
}

void QtProgramServices::SetApplicationTitle(std::string_view title) {
  title_ = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

void QtProgramServices::SetMainWindow(QWidget* window) {
  main_window_ = window;
}

std::string QtProgramServices::ProgramFolder() {
  return posix::ProgramFolder();
}

void QtProgramServices::SetHelpFile(std::string_view path) {
  help_file_ = NativeHelpPath(path);
}

void QtProgramServices::SendKeysNoWait(std::string_view keys) {
  if (main_window_ == nullptr) return;
  // The keys go to the program's own window, never to whatever else has the focus: its focused
  // control if it has one, else the window itself. Posted, so they arrive after the caller.
  QWidget* target = main_window_->focusWidget();
  if (target == nullptr) target = main_window_;
  for (const KeyStroke& stroke : ParseKeyString(keys)) {
    QCoreApplication::postEvent(
        target, new QKeyEvent(QEvent::KeyPress, stroke.key, Qt::NoModifier, stroke.text));
    QCoreApplication::postEvent(
        target, new QKeyEvent(QEvent::KeyRelease, stroke.key, Qt::NoModifier, stroke.text));
  }
}

void QtProgramServices::ShowMessage(std::string_view text) {
  if (ShownStateObserver* observer = InstalledShownStateObserver(); observer != nullptr) {
    observer->WindowText("Message", text);
  }
  const auto box = MakeMessageBox(
      title_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), main_window_);
  RunMessageBox(*box);
}

numbers::NumberFormat QtProgramServices::UserNumberFormat() {
  return posix::UserNumberFormat();
}

void QtProgramServices::EndProgram(int exit_code) {
  // At once: no further event, no timer, no destructor of the program's objects. The system
  // closes the files and the display connection; what the desktop keeps beyond the process is
  // given back first.
  for (auto step = at_end_.rbegin(); step != at_end_.rend(); ++step) (*step)();
  std::_Exit(exit_code);
}

void QtProgramServices::OpenHelp() {
  if (help_file_.empty()) return;
  const std::string manual = HtmlManualFor(help_file_);
  if (help_window_ == nullptr) help_window_ = new QtHelpWindow;
  help_window_->FollowModal(QApplication::activeModalWidget());
  if (help_window_->ShowPage(QString::fromStdString(manual))) return;
  ShowMessage(std::string(kManualMissingHead) + manual);
}

bool QtProgramServices::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || main_window_ == nullptr) return false;
  if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return false;
  // The program's window and the dialogs and menus it owns, as on Windows, where F1 in a message
  // box or file dialog reaches the owner; the help window keeps its own keys.
  QWidget* window = widget->window();
  if (window == help_window_) return false;
  while (window != nullptr && window != main_window_) {
    window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
  }
  if (window == nullptr) return false;
  OpenHelp();
  return true;
}

}  // namespace clickora::platform::qt
