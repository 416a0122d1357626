#include "file_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "platform/forms/dialog_filter.h"
#include "qt_conversions.h"
#include "shown_state.h"

namespace clickora::platform::qt {
namespace {

bool HasWildcards(const QString& name) {
  return name.contains(u'*') || name.contains(u'?');
}

// The toolkit's own dialog, as the program gives it: its list of file types shows each
// description exactly as the filter writes it ("function", "function " with its blank), and a
// name with wildcards in the name box ("*.kpf", proposed by the first Save) chooses no file.
class ProgramFileDialog final : public QFileDialog {
 public:
  // name_filters "description (patterns)", one a line of the list, which shows descriptions.
  ProgramFileDialog(QWidget* parent, const QString& title, const QString& folder,
                    const QStringList& name_filters, const QStringList& descriptions)
      : QFileDialog(parent, title, folder) {
    // NOTE: a desktop's own dialog shows the descriptions as it likes and knows no proposed
    // wildcard name.
    setOption(QFileDialog::DontUseNativeDialog);
    if (name_filters.isEmpty()) return;
    // The dialog needs "description (patterns)" to know the patterns; with their details hidden
    // it chooses a filter by its place in the list, so the list may show the descriptions as
    // they are (the dialog itself would drop their blanks).
    setOption(QFileDialog::HideNameFilterDetails);
    setNameFilters(name_filters);
    if (auto* list = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        list != nullptr && list->count() == descriptions.size()) {
      for (int i = 0; i < list->count(); ++i) list->setItemText(i, descriptions[i]);
    }
  }

  void accept() override {
    const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name != nullptr && HasWildcards(name->text())) return;
    QFileDialog::accept();
  }
};

}  // namespace

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
  descriptions_.clear();
  for (const forms::DialogFilter& entry : forms::ParseDialogFilter(filter)) {
    descriptions_ << ToQString(entry.description);
  }
}

DialogResult QtFileDialog::Show(QFileDialog::AcceptMode mode) {
  ProgramFileDialog dialog(parent_, title_, init_dir_, filters_, descriptions_);
  dialog.setAcceptMode(mode);
  // Open takes existing files only; Save asks before replacing one (the dialog's default).
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(default_ext_);
  // Proposed in the name box as it is, "*.kpf" too, as the Windows dialog does.
  const QString name = QString::fromStdString(file_name_);
  if (!name.isEmpty()) dialog.selectFile(name);
  ShownStateObserver* observer = InstalledShownStateObserver();
  if (observer != nullptr) {
    // Test support: the dialog up, with what its name box proposes.
    QTimer::singleShot(0, &dialog, [&dialog, observer] {
      const auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      observer->WindowText("FileDialog.FileName",
                           box != nullptr ? box->text().toStdString() : std::string());
      observer->WindowText("FileDialog.Title", dialog.windowTitle().toStdString());
    });
  }
  const int shown = dialog.exec();
  if (observer != nullptr) observer->WindowText("FileDialog.Title", "");
  if (shown != QDialog::Accepted) return DialogResult::kCancelled;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return DialogResult::kFailed;
  file_name_ = chosen.first().toStdString();
  return DialogResult::kConfirmed;
}

}  // namespace clickora::platform::qt
