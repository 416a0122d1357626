#include "file_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "dialog_filter.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

// Room for long paths: the dialog fails with FNERR_BUFFERTOOSMALL rather than cutting a name.
constexpr std::size_t kFileNameCapacity = 32768;

using ShowFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
using ExtendedErrorFunction = DWORD(WINAPI*)();

}  // namespace

void CommonFileDialog::SetDialogTitle(std::string_view title) {
  title_ = Widen(title);
}
void CommonFileDialog::SetInitDir(std::string_view folder) {
  init_dir_ = Widen(folder);
}
void CommonFileDialog::SetDefaultExt(std::string_view extension) {
  default_ext_ = DialogDefaultExtension(extension);
}
void CommonFileDialog::SetFilter(std::string_view filter) {
  filter_ = DialogFilterList(filter);
}
void CommonFileDialog::SetFileName(std::string_view file_name) {
  file_name_ = Widen(file_name);
}
std::string CommonFileDialog::FileName() const {
  return Narrow(file_name_);
}

DialogResult CommonFileDialog::ShowOpen() {
  return Show(false);
}
DialogResult CommonFileDialog::ShowSave() {
  return Show(true);
}

DialogResult CommonFileDialog::Show(bool save) {
  if (!library_.Loaded()) library_ = SystemLibrary(L"comdlg32.dll");
  const auto show = library_.Entry<ShowFunction>(save ? "GetSaveFileNameW" : "GetOpenFileNameW");
  const auto extended_error = library_.Entry<ExtendedErrorFunction>("CommDlgExtendedError");
  if (!show || !extended_error) return DialogResult::kFailed;

  std::vector<wchar_t> file(kFileNameCapacity, L'\0');
  file_name_.copy(file.data(), std::min(file_name_.size(), file.size() - 1));

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = init_dir_.empty() ? nullptr : init_dir_.c_str();
  dialog.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  dialog.lpstrDefExt = default_ext_.empty() ? nullptr : default_ext_.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
      (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);

  const BOOL confirmed = show(&dialog);
  if (confirmed) {
    file_name_.assign(file.data());
    return DialogResult::kConfirmed;
  }
  // Zero means the user cancelled; anything else is the dialog's own failure.
  return extended_error() == 0 ? DialogResult::kCancelled : DialogResult::kFailed;
}

}  // namespace clickora::platform::win32
