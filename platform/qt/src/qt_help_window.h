#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class QTextBrowser;
class QUrl;
class QToolButton;

namespace clickora::platform::qt {

// The program's own help viewer: the HTML manual in a window of its own beside the program's,
// captioned with the title of the page it shows. One window for the program, shown again and
// brought to the front by every F1.
class QtHelpWindow final : public QWidget {
 public:
  QtHelpWindow();
  ~QtHelpWindow() override;

  // Shows the page (a file path), from its start. False when the file is missing: the window is
  // then left as it was and the caller says so.
  bool ShowPage(const QString& path);

  // While a modal dialog is up every other window is blocked; the help opened from it belongs to
  // it until it closes, so that it can be read and scrolled beside the dialog, as the help
  // viewer of Windows can.
  void FollowModal(QWidget* modal);

 private:
  void OnSourceChanged(const QUrl& page);

  QTextBrowser* browser_;
  QToolButton* back_;
  QToolButton* forward_;
  QToolButton* home_;
  QPointer<QWidget> modal_;
};

}  // namespace clickora::platform::qt
