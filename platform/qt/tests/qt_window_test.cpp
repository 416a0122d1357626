#include "qt_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "control_library.h"
#include "qt_conversions.h"
#include "qt_program_services.h"
#include "qt_timer_service.h"

namespace clickora::platform::qt {
namespace {

class StillClock final : public MillisecondClock {
 public:
  std::uint32_t NowMs() override { return 1'000; }
};

// Records the events; a handler per event may act on the window, as the program's logic does.
class RecordingSink final : public FormEventSink {
 public:
  void OnFormEvent(std::string_view source, std::string_view event) override {
    const std::string key = std::string(source) + "." + std::string(event);
    events.push_back(key);
    if (const auto found = handlers.find(key); found != handlers.end()) found->second();
  }
  std::vector<std::string> events;
  std::map<std::string, std::function<void()>> handlers;
};

ControlDesign Control(const char* name, ControlKind kind, int left, int top, int width, int height,
                      const char* text) {
  return PlacedControl(name, kind, left, top, width, height, text);
}

FormDesign SmallDesign() {
  FormDesign design;
  design.name = "frmTest";
  design.caption = "Test";
  design.client_width = 4000;
  design.client_height = 3000;
  ControlDesign limited = Control("Text8", ControlKind::kTextBox, 600, 600, 2535, 375, "1");
  limited.max_length = 5;
  design.controls = {
      limited,
      Control("Text4", ControlKind::kTextBox, 600, 1080, 1095, 375, "500"),
      Control("Option1", ControlKind::kOptionButton, 720, 2400, 1095, 255, "one"),
      Control("Option2", ControlKind::kOptionButton, 2160, 2400, 1575, 255, "two"),
      Control("Command4", ControlKind::kCommandButton, 240, 2700, 3135, 255, "Start"),
      Control("Label1", ControlKind::kLabel, 0, 0, 375, 255, "label"),
  };
  design.tab_order = {"Command4", "Text4", "Text8", "Option1", "Option2"};
  design.initial_focus = "Command4";
  design.file_dialogs = {"CommonDialog1"};
  design.menus = {{"file", "File", {{"openna", "Open", {}}, {"exitna", "Exit", {}}}}};
  return design;
}

// One application for all tests, on the offscreen platform, gone before the toolkit's own
// statics are.
class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[32] = "clickora_platform_qt_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

class QtWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<QtWindow> Create(const FormDesign& design, std::string& error) {
    return std::make_unique<QtWindow>(
        design, program_, timers_, controls_, [](std::string_view) { return QPixmap(); }, error);
  }
  std::unique_ptr<QtWindow> Create(const FormDesign& design = SmallDesign()) {
    std::string error;
    auto window = Create(design, error);
    EXPECT_EQ(error, "");
    return window;
  }
  template <typename W>
  static W* Find(QtWindow& window, const char* name) {
    auto* widget = window.widget().findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  StillClock clock_;
  QtTimerService timers_;
  QtProgramServices program_;
  ControlLibraries controls_{HOROLON_PLUGIN_DIR, clock_, timers_};
};

TEST_F(QtWindowTest, PlacesControlsAtTheirDesignedPixels) {
  auto window = Create();
  const double dpi = window->widget().screen()->logicalDotsPerInchX();
  const QRect text8 = Find<QLineEdit>(*window, "Text8")->geometry();
  EXPECT_EQ(text8.topLeft(), QPoint(TwipsToPixels(600, dpi), TwipsToPixels(600, dpi)));
  EXPECT_EQ(text8.right() + 1, TwipsToPixels(600 + 2535, dpi));
  // Labels are painted, not widgets: they never take the focus or a click.
  EXPECT_EQ(window->widget().findChild<QWidget*>(QStringLiteral("Label1")), nullptr);
}

TEST_F(QtWindowTest, MaxLengthLimitsTypingButNotTheProgram) {
  auto window = Create();
  TextBox& text8 = window->GetTextBox("Text8");
  QLineEdit* edit = Find<QLineEdit>(*window, "Text8");

  struct Case {
    const char* start;  // set by the program
    const char* typed;  // typed at the end
    const char* result;
  };
  const Case cases[] = {
      {"", "123456789", "12345"},
      {"12", "345", "12345"},
      {"1234567", "8", "1234567"},  // longer than the limit already: not lengthened
      {"", "", ""},
  };
  for (const Case& c : cases) {
    text8.SetText(c.start);
    EXPECT_EQ(text8.Text(), c.start);  // the program's text is never cut
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QString::fromUtf8(c.typed));
    EXPECT_EQ(text8.Text(), c.result) << c.start << " + " << c.typed;
  }

  // A paste is cut to what still fits.
  text8.SetText("ab");
  edit->end(false);
  edit->insert(QStringLiteral("cdefgh"));
  EXPECT_EQ(text8.Text(), "abcde");

  // A text the program made too long may still be shortened.
  text8.SetText("1234567");
  edit->end(false);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(text8.Text(), "123456");

  text8.SetMaxLength(0);
  text8.SetText("");
  QTest::keyClicks(edit, QStringLiteral("123456789"));
  EXPECT_EQ(text8.Text(), "123456789");
}

// The toolkit's line edit cuts every text to 32,767 characters unless told otherwise.
TEST_F(QtWindowTest, NoTextIsCutAtTheToolkitsDefaultLength) {
  auto window = Create();
  const std::string long_text(40'000, '7');
  struct Case {
    const char* name;
    std::size_t after_typing;  // length once a character is typed at the end
  };
  const Case cases[] = {
      {"Text4", long_text.size() + 1},  // no limit: typing lengthens it
      {"Text8", long_text.size()},      // limited to 5: held whole, but not lengthened
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextBox& box = window->GetTextBox(c.name);
    QLineEdit* edit = Find<QLineEdit>(*window, c.name);
    box.SetText(long_text);
    EXPECT_EQ(box.Text(), long_text);
    EXPECT_EQ(edit->text().size(), static_cast<qsizetype>(long_text.size()));
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_1);
    EXPECT_EQ(box.Text().size(), c.after_typing);
  }
  // A paste past the toolkit's length into the unlimited box stays whole as well.
  TextBox& text4 = window->GetTextBox("Text4");
  text4.SetText("");
  Find<QLineEdit>(*window, "Text4")->insert(QString(40'000, u'3'));
  EXPECT_EQ(text4.Text(), std::string(40'000, '3'));
}

TEST_F(QtWindowTest, OptionButtonsFormOneExclusiveGroupOfOneTabStop) {
  auto window = Create();
  OptionButton& option1 = window->GetOptionButton("Option1");
  OptionButton& option2 = window->GetOptionButton("Option2");
  QRadioButton* button1 = Find<QRadioButton>(*window, "Option1");
  QRadioButton* button2 = Find<QRadioButton>(*window, "Option2");

  option1.SetValue(true);
  EXPECT_TRUE(option1.Value());
  EXPECT_FALSE(option2.Value());
  EXPECT_EQ(button1->focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(button2->focusPolicy(), Qt::ClickFocus);

  option2.SetValue(true);
  EXPECT_FALSE(option1.Value());
  EXPECT_TRUE(option2.Value());
  EXPECT_EQ(button1->focusPolicy(), Qt::ClickFocus);

  // The program may clear the selected button; the group then has none.
  option2.SetValue(false);
  EXPECT_FALSE(option1.Value());
  EXPECT_FALSE(option2.Value());
  // And the group stays exclusive afterwards.
  option1.SetValue(true);
  option2.SetValue(true);
  EXPECT_FALSE(option1.Value());
}

TEST_F(QtWindowTest, RaisesClicksOfButtonsAndMenusByDesignName) {
  auto window = Create();
  RecordingSink sink;
  window->SetSink(&sink);
  Find<QPushButton>(*window, "Command4")->click();
  Find<QRadioButton>(*window, "Option2")->click();
  for (QAction* action : window->widget().findChildren<QAction*>()) {
    if (action->text() == QStringLiteral("Open")) action->trigger();
  }
  EXPECT_EQ(sink.events,
            (std::vector<std::string>{"Command4.Click", "Option2.Click", "openna.Click"}));
}

// F8 is a key of the window whichever control has the focus; a double-click on a text box raises
// DblClick, and a box shows the design's tip.
TEST_F(QtWindowTest, WindowKeysDoubleClicksAndTextBoxTips) {
  FormDesign design = SmallDesign();
  design.keys = {{"PickKey", "{F8}"}};
  design.controls[1].tool_tip = "ดับเบิลคลิกหรือกด F8";  // Text4
  auto window = Create(design);
  RecordingSink sink;
  window->SetSink(&sink);
  window->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window->widget()));
  sink.events.clear();  // the first display's Resize
  QLineEdit* text4 = Find<QLineEdit>(*window, "Text4");
  QLineEdit* text8 = Find<QLineEdit>(*window, "Text8");
  text4->setFocus();
  QTest::keyClick(text4, Qt::Key_F8);
  text8->setFocus();
  QTest::keyClick(text8, Qt::Key_F8);
  QTest::keyClick(text8, Qt::Key_F7);
  QTest::mouseDClick(text4, Qt::LeftButton);
  QTest::mouseDClick(text8, Qt::LeftButton);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"PickKey.Pressed", "PickKey.Pressed",
                                                   "Text4.DblClick", "Text8.DblClick"}));
  EXPECT_EQ(text4->toolTip(), QString::fromUtf8("ดับเบิลคลิกหรือกด F8"));
  EXPECT_EQ(text8->toolTip(), QString());
}

TEST_F(QtWindowTest, CommandButtonKeepsItsCaptionAsGiven) {
  auto window = Create();
  CommandButton& command4 = window->GetCommandButton("Command4");
  command4.SetCaption("Save & go");
  EXPECT_EQ(command4.Caption(), "Save & go");
  EXPECT_EQ(Find<QPushButton>(*window, "Command4")->text(), QStringLiteral("Save && go"));
  command4.SetEnabled(false);
  EXPECT_FALSE(command4.Enabled());
}

TEST_F(QtWindowTest, ASizeSetInsideResizeIsHandledOnceMoreNotRecursively) {
  auto window = Create();
  RecordingSink sink;
  int depth = 0, deepest = 0;
  sink.handlers["Form.Resize"] = [&] {
    deepest = std::max(deepest, ++depth);
    window->SetOuterHeightTwips(4990);
    window->SetOuterWidthTwips(3720);
    --depth;
  };
  window->SetSink(&sink);
  window->Show();
  QApplication::processEvents();
  window->widget().resize(400, 400);
  QApplication::processEvents();

  const double dpi = window->widget().screen()->logicalDotsPerInchX();
  // The outer size: the frame that the platform adds is part of it.
  EXPECT_EQ(window->widget().frameGeometry().width(), TwipsToPixels(3720, dpi));
  EXPECT_EQ(deepest, 1);
  EXPECT_LE(sink.events.size(), 8u);
  EXPECT_EQ(window->OuterWidthTwips(), PixelsToTwips(TwipsToPixels(3720, dpi), dpi));
}

// Tiling window managers float a window whose least and most size are one: the limits follow
// the size the rule holds, before the first show and after a later change of that size alike.
TEST_F(QtWindowTest, SizeLimitsAreTheSizeTheRuleHolds) {
  auto window = Create();
  RecordingSink sink;
  int width = 3720, height = 4990;
  sink.handlers["Form.Resize"] = [&] {
    window->SetOuterHeightTwips(height);
    window->SetOuterWidthTwips(width);
  };
  window->SetSink(&sink);
  const double dpi = window->widget().screen()->logicalDotsPerInchX();
  const QWidget& widget = window->widget();
  struct Step {
    int width, height;
    bool user_resize;  // the user drags a border instead: the limits keep the size
  };
  for (const Step& step : {Step{3720, 4990, false}, Step{3720, 4990, true}, Step{3000, 4000, false},
                           Step{4500, 5200, false}}) {
    width = step.width;
    height = step.height;
    if (!widget.isVisible()) {
      window->Show();
    } else if (step.user_resize) {
      window->widget().resize(700, 700);
    } else {
      window->SetOuterHeightTwips(height);
      window->SetOuterWidthTwips(width);
    }
    QApplication::processEvents();
    QApplication::processEvents();
    SCOPED_TRACE(width);
    EXPECT_EQ(widget.frameGeometry().width(), TwipsToPixels(width, dpi));
    EXPECT_EQ(widget.minimumSize(), widget.size());
    EXPECT_EQ(widget.maximumSize(), widget.size());
  }
}

TEST_F(QtWindowTest, EmbeddedControlsComeFromTheirLibraryByClassName) {
  controls_.Register("Horolib.LongTimer", HOROLON_PLUGIN_FILE);
  FormDesign design = SmallDesign();
  design.embedded_controls = {{"LongTimer1", "Horolib.LongTimer", {{"interval", "0"}}}};
  auto window = Create(design);
  EmbeddedControl& timer = window->GetEmbeddedControl("LongTimer1");
  EXPECT_TRUE(timer.PutProperty(0x68030003, 1.5f).ok);
  EXPECT_TRUE(timer.PutProperty(0x68030002, true).ok);
  const PutResult wrong_type = timer.PutProperty(0x68030003, true);
  EXPECT_FALSE(wrong_type.ok);
  EXPECT_NE(wrong_type.error.find("type mismatch"), std::string::npos) << wrong_type.error;
  EXPECT_FALSE(timer.PutProperty(0x1234, 1.0f).ok);
}

TEST_F(QtWindowTest, AControlThatCannotBeCreatedFailsTheFormNamingClassAndFile) {
  controls_.Register("Horolib.LongTimer", "libmissing-horolon.so");
  controls_.Register("Other.Control", HOROLON_PLUGIN_FILE);
  struct Case {
    const char* class_name;
    std::vector<std::string> mentions;
  };
  const Case cases[] = {
      {"Horolib.LongTimer", {"Horolib.LongTimer", "libmissing-horolon.so"}},
      {"Nowhere.Timer", {"Nowhere.Timer", "not registered"}},
      {"Other.Control", {"Other.Control", HOROLON_PLUGIN_FILE, "does not provide"}},
  };
  for (const Case& c : cases) {
    FormDesign design = SmallDesign();
    design.embedded_controls = {{"LongTimer1", c.class_name, {}}};
    std::string error;
    Create(design, error);
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(error.find(mention), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace clickora::platform::qt
