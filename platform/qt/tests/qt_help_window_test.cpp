#include "qt_help_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>

// The offscreen application of these tests is the one of qt_window_test.cpp.
#include "platform/posix/temporary_folder.h"

namespace clickora::platform::qt {
namespace {

namespace fs = std::filesystem;

class QtHelpWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Page("index.html", "Manual - คู่มือ", "<h1>First heading</h1><a href=\"two.html\">two</a>");
    Page("two.html", "Two", "<h1>Second</h1>");
  }
  void Page(const char* name, const char* title, const char* body) {
    std::ofstream(dir_ / name) << "<html><head><meta charset=\"utf-8\"><title>" << title
                               << "</title></head><body>" << body << "</body></html>";
  }
  QString PathOf(const char* name) const { return QString::fromStdString((dir_ / name).string()); }

  posix::testing::TemporaryFolder folder_{"help-window"};
  const fs::path dir_ = folder_.path();
};

TEST_F(QtHelpWindowTest, ShowsThePageCaptionedWithItsTitle) {
  QtHelpWindow help;
  EXPECT_FALSE(help.ShowPage(PathOf("missing.html")));
  EXPECT_FALSE(help.isVisible());
  const struct {
    const char* page;
    const char* caption;
  } kCases[] = {
      {"index.html", "Manual - คู่มือ"},
      {"two.html", "Two"},
      {"index.html", "Manual - คู่มือ"},  // again, from another page
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.page);
    ASSERT_TRUE(help.ShowPage(PathOf(c.page)));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.windowTitle(), QString::fromUtf8(c.caption));
  }
  // A missing manual leaves the window as it was.
  EXPECT_FALSE(help.ShowPage(PathOf("missing.html")));
  EXPECT_EQ(help.windowTitle(), QString::fromUtf8("Manual - คู่มือ"));
}

TEST_F(QtHelpWindowTest, FollowsAModalDialogAndOutlivesIt) {
  auto* help = new QtHelpWindow;
  QPointer<QtHelpWindow> alive(help);
  {
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
      help->FollowModal(&dialog);
      ASSERT_TRUE(help->ShowPage(PathOf("index.html")));
      EXPECT_EQ(help->parentWidget(), &dialog);  // not blocked by the dialog's modality
      EXPECT_TRUE(help->isWindow());
      dialog.accept();
    });
    dialog.exec();
  }
  ASSERT_FALSE(alive.isNull()) << "the help window went with the dialog";
  EXPECT_EQ(help->parentWidget(), nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->windowTitle(), QString::fromUtf8("Manual - คู่มือ"));
  delete help;
}

}  // namespace
}  // namespace clickora::platform::qt
