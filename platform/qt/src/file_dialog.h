#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <string>

#include "platform/window.h"

namespace clickora::platform::qt {

// The file dialog component on the toolkit's own QFileDialog, modal to its parent. Its settings
// persist from one show to the next, FileName included.
class QtFileDialog final : public FileDialog {
 public:
  explicit QtFileDialog(QWidget* parent) : parent_(parent) {}
  void SetDialogTitle(std::string_view title) override;
  void SetInitDir(std::string_view folder) override;
  void SetDefaultExt(std::string_view extension) override;
  void SetFilter(std::string_view filter) override;
  void SetFileName(std::string_view file_name) override { file_name_ = std::string(file_name); }
  std::string FileName() const override { return file_name_; }
  DialogResult ShowOpen() override { return Show(QFileDialog::AcceptOpen); }
  DialogResult ShowSave() override { return Show(QFileDialog::AcceptSave); }

 private:
  DialogResult Show(QFileDialog::AcceptMode mode);

  QWidget* parent_;
  QString title_;
  QString init_dir_;
  QString default_ext_;       // without its dot
  QStringList filters_;       // "description (patterns)"
  QStringList descriptions_;  // as the filter writes them
  std::string file_name_;
};

}  // namespace clickora::platform::qt
