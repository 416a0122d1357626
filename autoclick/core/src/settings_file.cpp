#include <array>
#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/texts.h"
#include "platform/sequential_file.h"

namespace clickora::autoclick {
namespace {

// Names the file, and the system's reason when it gave one.
std::string FileMessage(std::string_view head, const std::string& path, const std::string& reason) {
  std::string message = std::string(head) + path;
  if (!reason.empty()) message += "\n" + reason;
  return message;
}

// True when the user chose a file. A cancel is the user's own choice and says nothing; a dialog
// that could not be shown is reported.
bool FileChosen(platform::DialogResult result, platform::ProgramServices& program) {
  if (result == platform::DialogResult::kFailed) {
    program.ShowMessage(texts::kFileDialogFailedMessage);
  }
  return result == platform::DialogResult::kConfirmed;
}

}  // namespace

// Open and Save share CommonDialog1, so its FileName carries from one command to the next. A
// cancelled dialog is reported by the dialog itself as kCancelled: the commands read or write
// nothing then.

void FrmMousePos::openna_Click() {
  common_dialog1_.SetDialogTitle(texts::kOpenTitle);
  common_dialog1_.SetInitDir(services_.program.ProgramFolder());
  common_dialog1_.SetDefaultExt(texts::kSettingsExtension);
  common_dialog1_.SetFilter(texts::kOpenFilter);
  common_dialog1_.SetFileName(texts::kOpenProposedName);
  if (!FileChosen(common_dialog1_.ShowOpen(), services_.program)) return;

  const std::string path = common_dialog1_.FileName();
  std::string contents;
  if (const platform::FileResult read = services_.files.ReadText(path, contents); !read.ok) {
    services_.program.ShowMessage(FileMessage(texts::kCannotOpenFileHead, path, read.error));
    return;
  }
  // Some editors begin a text file with a UTF-8 byte-order mark; it is no part of X.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (std::string_view(contents).starts_with(kByteOrderMark))
    contents.erase(0, kByteOrderMark.size());
  // Values go into the fields in order; a short file sets only the fields it has values for.
  platform::SequentialReader reader(std::move(contents));
  for (platform::TextBox* field : std::array{&text4_, &text5_, &text6_, &text7_, &text8_}) {
    std::optional<std::string> value = reader.ReadValue();
    if (!value) break;
    settings_value_ = std::move(value);
    field->SetText(*settings_value_);
  }
}

void FrmMousePos::Savena_Click() {
  if (common_dialog1_.FileName().empty()) common_dialog1_.SetFileName(texts::kSaveProposedName);
  common_dialog1_.SetDialogTitle(texts::kSaveTitle);
  common_dialog1_.SetInitDir(services_.program.ProgramFolder());
  common_dialog1_.SetDefaultExt(texts::kSettingsExtension);
  common_dialog1_.SetFilter(texts::kSaveFilter);
  if (!FileChosen(common_dialog1_.ShowSave(), services_.program)) return;

  platform::SequentialWriter writer;
  for (const platform::TextBox* field : std::array{&text4_, &text5_, &text6_, &text7_, &text8_}) {
    writer.WriteLine(field->Text());
  }
  const std::string path = common_dialog1_.FileName();
  // Written whole beside the file and then put in its place: a failed save leaves the old file.
  if (const platform::FileResult written = services_.files.ReplaceText(path, writer.text());
      !written.ok) {
    services_.program.ShowMessage(FileMessage(texts::kCannotSaveFileHead, path, written.error));
  }
}

}  // namespace clickora::autoclick
