#include "file_dialog.h"

#include "platform/forms/dialog_filter.h"
#include "qt_conversions.h"

namespace clickora::platform::qt {

void QtFileDialog::SetDialogTitle(std::string_view title) {
  title_ = ToQString(title);
}

void QtFileDialog::SetInitDir(std::string_view folder) {
  init_dir_ = ToQString(folder);
}

void QtFileDialog::SetDefaultExt(std::string_view extension) {
  default_ext_ = ToQString(forms::DefaultExtensionWithoutDot(extension));
}

void QtFileDialog::SetFilter(std::string_view filter) {
  filters_ = DialogNameFilters(filter);
}

DialogResult QtFileDialog::Show(QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent_, title_, init_dir_);
  dialog.setAcceptMode(mode);
  // Open takes existing files only; Save asks before replacing one (the dialog's default).
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  if (!filters_.isEmpty()) dialog.setNameFilters(filters_);
  dialog.setDefaultSuffix(default_ext_);
  const QString name = QString::fromStdString(file_name_);
  // A name with wildcards is a filter, not a file to propose.
  if (!name.isEmpty() && !name.contains(u'*') && !name.contains(u'?')) dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted) return DialogResult::kCancelled;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return DialogResult::kFailed;
  file_name_ = chosen.first().toStdString();
  return DialogResult::kConfirmed;
}

}  // namespace clickora::platform::qt
