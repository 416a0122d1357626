#include "message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "field_dump.h"

namespace clickora::platform::qt {
namespace {

// What the box shows, read from the box itself once it is up.
void DumpShownBox(const QMessageBox& box, const char* path) {
  FieldDump dump(path);
  QString buttons;
  for (const QAbstractButton* button : box.buttons()) {
    if (!buttons.isEmpty()) buttons += u'|';
    buttons += button->text();
  }
  // A text of several lines stays one "Name=text" line.
  QString text = box.text();
  text.replace(u'\n', QStringLiteral("\\n"));
  dump.Set("Caption", box.windowTitle().toStdString());
  dump.Set("Text", text.toStdString());
  dump.Set("Icon",
           box.icon() == QMessageBox::NoIcon && box.iconPixmap().isNull() ? "none" : "shown");
  dump.Set("Buttons", buttons.toStdString());
}

}  // namespace

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
  if (const char* path = std::getenv("CLICKORA_DUMP_MESSAGE"); path != nullptr && *path != '\0') {
    // Runs inside the box's own event loop, once it has been shown.
    QTimer::singleShot(0, &box,
                       [&box, file = std::string(path)] { DumpShownBox(box, file.c_str()); });
  }
  box.exec();
}

}  // namespace clickora::platform::qt
