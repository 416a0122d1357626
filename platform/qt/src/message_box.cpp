#include "message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "shown_state.h"

namespace clickora::platform::qt {
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& caption, const QString& text,
                                            QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, caption, text,
                                           QMessageBox::NoButton, parent);
  // NOTE: the toolkit's standard OK button speaks the desktop's language (English unless a
  // translation is installed); the program's boxes speak Thai, so the button is its own.
  QPushButton* ok = box->addButton(QString::fromUtf8(kOkButtonText), QMessageBox::AcceptRole);
  box->setDefaultButton(ok);
  box->setEscapeButton(ok);
  // Shown as plain text: a message naming a file or a system error is never read as markup.
  box->setTextFormat(Qt::PlainText);
  return box;
}

void RunMessageBox(QMessageBox& box) {
  if (ShownStateObserver* observer = InstalledShownStateObserver(); observer != nullptr) {
    // Runs inside the box's own event loop, once it has been shown.
    QTimer::singleShot(0, &box, [&box, observer] { observer->MessageBoxShown(box); });
  }
  box.exec();
}

}  // namespace clickora::platform::qt
