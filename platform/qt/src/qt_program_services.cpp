#include "qt_program_services.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>

#include "platform/posix/posix_services.h"
#include "qt_conversions.h"

namespace clickora::platform::qt {

QtProgramServices::QtProgramServices() : title_(QStringLiteral("Quorvel")) {
  // F1 may be typed in any control of the window; it reaches the window only if the control
  // ignores it, so the application-wide filter sees it first.
  QCoreApplication::instance()->installEventFilter(this);
}

QtProgramServices::~QtProgramServices() = default;

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
  QMessageBox box(QMessageBox::NoIcon, title_,
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, main_window_);
  box.exec();
}

numbers::NumberFormat QtProgramServices::UserNumberFormat() {
  return posix::UserNumberFormat();
}

void QtProgramServices::EndProgram(int exit_code) {
  // At once: no further event, no timer, no destructor of the program's objects. The system
  // closes the files and the display connection.
  std::_Exit(exit_code);
}

void QtProgramServices::OpenHelp() {
  if (help_file_.empty()) return;
  const QString path = QString::fromStdString(help_file_);
  auto fail = [this, path](const QString& why) {
    QMessageBox::warning(main_window_, title_,
                         QStringLiteral("The help file %1 cannot be shown: %2").arg(path, why));
  };
  if (!QFileInfo(path).isFile()) {
    fail(QStringLiteral("it does not exist."));
    return;
  }
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    fail(QStringLiteral("no help viewer is installed (xdg-open was not found)."));
    return;
  }
  // The program goes on beside the viewer; only a failure to start it comes back as a message.
  auto* process = new QProcess(this);
  connect(process, &QProcess::finished, this, [process, fail](int code, QProcess::ExitStatus) {
    process->deleteLater();
    if (code != 0) fail(QStringLiteral("no viewer for this kind of file is installed."));
  });
  connect(process, &QProcess::errorOccurred, this, [process, fail](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    process->deleteLater();
    fail(process->errorString());
  });
  process->start(opener, {path});
}

bool QtProgramServices::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || main_window_ == nullptr) return false;
  if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != main_window_) return false;
  OpenHelp();
  return true;
}

}  // namespace clickora::platform::qt
