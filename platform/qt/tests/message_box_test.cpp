#include "message_box.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

// The offscreen application of these tests is the one of qt_window_test.cpp.
#include "platform/posix/temporary_folder.h"
#include "qt_program_services.h"
#include "shown_state.h"

namespace clickora::platform::qt {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs inspect on the message box that the next modal loop shows, then closes it with key.
void OnNextBox(std::function<void(QMessageBox&)> inspect, Qt::Key key) {
  QTimer::singleShot(0, [inspect = std::move(inspect), key] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr) << "no message box is up";
    inspect(*box);
    QTest::keyClick(box, key);
  });
}

std::string Utf8(const QString& text) {
  return text.toStdString();
}

TEST(MessageBoxTest, HasNoIconAndOneThaiOkButton) {
  const auto box = MakeMessageBox(QStringLiteral("Quorvel"), QStringLiteral("<b>a</b>"), nullptr);
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  EXPECT_TRUE(box->iconPixmap().isNull());
  EXPECT_EQ(Utf8(box->windowTitle()), "Quorvel");
  ASSERT_EQ(box->buttons().size(), 1);
  QAbstractButton* ok = box->buttons().first();
  EXPECT_EQ(Utf8(ok->text()), "ตกลง");
  EXPECT_EQ(box->defaultButton(), ok);
  EXPECT_EQ(box->escapeButton(), ok);
  EXPECT_EQ(box->textFormat(), Qt::PlainText);  // a file name is never read as markup
}

// Every message of the program, and the help's own one, in the same box; Enter and Esc close it.
TEST(MessageBoxTest, ProgramMessagesShowInTheBoxAndCloseByEnterOrEsc) {
  QtProgramServices program;
  program.SetApplicationTitle("Quorvel");
  const struct {
    const char* text;
    Qt::Key key;
  } kCases[] = {
      {"ใส่ค่าเวลามากสุด 34560 นาที(24วัน)", Qt::Key_Return},
      {"ใส่ค่าเวลามากกว่า 0 นาที", Qt::Key_Escape},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string shown, buttons;
    OnNextBox(
        [&](QMessageBox& box) {
          shown = Utf8(box.text());
          for (QAbstractButton* button : box.buttons()) buttons += Utf8(button->text());
          EXPECT_EQ(Utf8(box.windowTitle()), "Quorvel");
          EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        },
        c.key);
    program.ShowMessage(c.text);  // returns once the box is closed
    EXPECT_EQ(shown, c.text);
    EXPECT_EQ(buttons, "ตกลง");
  }

  // Without its manual the help says so in the program's language, in the same box.
  program.SetHelpFile("/nowhere/clickora\\manual.chm");
  std::string shown;
  OnNextBox([&](QMessageBox& box) { shown = Utf8(box.text()); }, Qt::Key_Return);
  program.OpenHelp();
  EXPECT_TRUE(shown.starts_with("ไม่พบคู่มือการใช้งาน /nowhere/")) << shown;
}

// The test hooks of a run on a display: read from the environment once, then told what shows.
TEST(MessageBoxTest, WritesWhatItShowsForATestOnADisplay) {
  posix::testing::TemporaryFolder folder{"message-box"};
  const std::string dump = (folder.path() / "message.txt").string();
  const std::string fields = (folder.path() / "fields.txt").string();
  ASSERT_EQ(setenv("CLICKORA_DUMP_MESSAGE", dump.c_str(), 1), 0);
  ASSERT_EQ(setenv("CLICKORA_DUMP_FIELDS", fields.c_str(), 1), 0);
  const std::unique_ptr<ShownStateObserver> hooks = DumpObserverFromEnvironment();
  unsetenv("CLICKORA_DUMP_MESSAGE");
  unsetenv("CLICKORA_DUMP_FIELDS");
  ASSERT_NE(hooks, nullptr);
  InstallShownStateObserver(hooks.get());

  QtProgramServices program;
  // The same box twice, its dump taken away in between as a test does once it has read it: the
  // second box is written whole again.
  for (int shown = 0; shown < 2; ++shown) {
    std::filesystem::remove(dump);
    QTimer::singleShot(0, [] {
      // The dump is written by a timer of the box's own loop: let it run first.
      QTimer::singleShot(
          0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    });
    program.ShowMessage("บรรทัดหนึ่ง\nสอง");
    EXPECT_EQ(ReadFile(dump), "Buttons=ตกลง\nCaption=Quorvel\nIcon=none\nText=บรรทัดหนึ่ง\\nสอง\n");
  }
  InstallShownStateObserver(nullptr);
  EXPECT_EQ(ReadFile(fields), "Message=บรรทัดหนึ่ง\\nสอง\n");  // one field a line
}

TEST(MessageBoxTest, NoHooksWithoutTheirVariables) {
  for (const char* name : {"CLICKORA_DUMP_FIELDS", "CLICKORA_DUMP_MESSAGE", "CLICKORA_DUMP_HELP"}) {
    unsetenv(name);
  }
  EXPECT_EQ(DumpObserverFromEnvironment(), nullptr);
}

}  // namespace
}  // namespace clickora::platform::qt
