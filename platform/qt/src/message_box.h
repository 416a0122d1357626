#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

// The program's message box on Qt: its caption, its text and one OK button, no icon, in the
// program's own language whatever the desktop's.
namespace clickora::platform::qt {

// The button's caption, "OK" in Thai.
inline constexpr char kOkButtonText[] = "ตกลง";

// A box ready to be shown modally over parent (none: over no window). Enter and Esc both close it
// by its one button, as they do the system's boxes on Windows.
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& caption, const QString& text,
                                            QWidget* parent);

// Shows the box and returns once it is closed; the installed observer (test support) is told once
// it is up.
void RunMessageBox(QMessageBox& box);

}  // namespace clickora::platform::qt
