// The real file dialog as the File menu's commands show it: read while it is up, then answered.
#include "file_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/posix/temporary_folder.h"

namespace clickora::platform::qt {
namespace {

struct SeenDialog {
  bool shown = false;
  QString title;
  QString name;  // the name box
  QStringList descriptions;
  QString folder;
};

QFileDialog* ShownDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
      return dialog;
    }
  }
  return nullptr;
}

// Runs show() and, once the dialog is up, reads it and hands it to answer, which must close it.
DialogResult ShowAndRead(const std::function<DialogResult()>& show, SeenDialog& seen,
                         const std::function<void(QFileDialog&)>& answer) {
  int tries = 0;
  std::function<void()> poll;
  // The copies that the timers hold refer to this frame, which lasts while the dialog is up.
  poll = [&] {
    QFileDialog* dialog = ShownDialog();
    if (dialog == nullptr) {
      if (++tries < 500) QTimer::singleShot(10, poll);
      return;
    }
    seen.shown = true;
    seen.title = dialog->windowTitle();
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
      seen.name = name->text();
    }
    if (auto* list = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
      for (int i = 0; i < list->count(); ++i) seen.descriptions << list->itemText(i);
    }
    seen.folder = dialog->directory().absolutePath();
    answer(*dialog);
  };
  QTimer::singleShot(0, poll);
  return show();
}

class FileDialogTest : public ::testing::Test {
 protected:
  QWidget parent_;
  QtFileDialog dialog_{&parent_};
  posix::testing::TemporaryFolder folder_{"file-dialog"};
};

// The settings of the File menu's Open and Save: the names proposed and the
// descriptions of the list of file types, exactly.
TEST_F(FileDialogTest, ShowsTheProposedNameAndTheDescriptionsAsGiven) {
  const struct {
    const char* name;
    bool save;
    const char* title;
    const char* filter;
    const char* file_name;
    QStringList descriptions;
  } kCases[] = {
      {"first Save", true, "save", "function |*.kpf", "*.kpf", {"function "}},
      {"Open", false, "open", "function|*.kpf", "default.kpf", {"function"}},
      {"two filters, blanks kept",
       true,
       "save",
       " Text (*.txt) |*.txt|All|*.*",
       "a.txt",
       {" Text (*.txt) ", "All"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    dialog_.SetDialogTitle(c.title);
    dialog_.SetInitDir(folder_.path().string());
    dialog_.SetDefaultExt(".kpf");
    dialog_.SetFilter(c.filter);
    dialog_.SetFileName(c.file_name);
    SeenDialog seen;
    const DialogResult result =
        ShowAndRead([&] { return c.save ? dialog_.ShowSave() : dialog_.ShowOpen(); }, seen,
                    [](QFileDialog& shown) { shown.reject(); });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(result, DialogResult::kCancelled);
    EXPECT_EQ(seen.title, QString::fromLatin1(c.title));
    EXPECT_EQ(seen.name, QString::fromLatin1(c.file_name));
    EXPECT_EQ(seen.descriptions, c.descriptions);
    EXPECT_EQ(seen.folder, QString::fromStdString(folder_.path().string()));
    EXPECT_EQ(dialog_.FileName(), c.file_name);  // a cancel keeps it
  }
}

// "*.kpf" in the name box names no file: confirming it leaves the dialog up; a name typed over
// it is taken, with the default extension added.
TEST_F(FileDialogTest, AWildcardNameIsNoFileToSaveTo) {
  dialog_.SetDialogTitle("save");
  dialog_.SetInitDir(folder_.path().string());
  dialog_.SetDefaultExt(".kpf");
  dialog_.SetFilter("function |*.kpf");
  dialog_.SetFileName("*.kpf");
  SeenDialog seen;
  bool stayed_up = false;
  // Return in the name box, as the user confirms.
  const DialogResult result =
      ShowAndRead([&] { return dialog_.ShowSave(); }, seen,
                  [&](QFileDialog& shown) {
                    auto* name = shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                    QTest::keyClick(name, Qt::Key_Return);
                    stayed_up = shown.isVisible();
                    name->setText(QStringLiteral("chosen"));
                    QTest::keyClick(name, Qt::Key_Return);
                  });
  ASSERT_TRUE(seen.shown);
  EXPECT_TRUE(stayed_up);
  EXPECT_EQ(result, DialogResult::kConfirmed);
  EXPECT_EQ(dialog_.FileName(), (folder_.path() / "chosen.kpf").string());
}

}  // namespace
}  // namespace clickora::platform::qt
