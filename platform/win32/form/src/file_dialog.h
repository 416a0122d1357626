#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/system_library.h"
#include "platform/window.h"

namespace clickora::platform::win32 {

// The common file dialog component on GetOpenFileNameW / GetSaveFileNameW, modal to its owner.
// Its settings persist from one show to the next, FileName included. comdlg32 (and with it the
// shell and the printer spooler) is loaded at the first show, not with the program; when it
// cannot be loaded the show fails, which the program reports as a dialog that cannot be shown.
class CommonFileDialog final : public FileDialog {
 public:
  explicit CommonFileDialog(HWND owner) : owner_(owner) {}

  void SetDialogTitle(std::string_view title) override;
  void SetInitDir(std::string_view folder) override;
  void SetDefaultExt(std::string_view extension) override;
  void SetFilter(std::string_view filter) override;
  void SetFileName(std::string_view file_name) override;
  std::string FileName() const override;
  DialogResult ShowOpen() override;
  DialogResult ShowSave() override;

 private:
  DialogResult Show(bool save);

  HWND owner_;
  SystemLibrary library_;
  std::wstring title_;
  std::wstring init_dir_;
  std::wstring default_ext_;  // without its dot
  std::wstring filter_;       // NUL-separated pairs, double NUL at the end
  std::wstring file_name_;
};

}  // namespace clickora::platform::win32
