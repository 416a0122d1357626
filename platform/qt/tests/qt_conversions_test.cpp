#include "qt_conversions.h"

#include <gtest/gtest.h>

namespace clickora::platform::qt {
namespace {

TEST(KeyStringTest, ReadsNamedKeysAndCharacters) {
  struct Case {
    const char* keys;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {"{F1}", {Qt::Key_F1}},
      {"{f12}", {Qt::Key_F12}},
      {"{ENTER}{TAB}", {Qt::Key_Return, Qt::Key_Tab}},
      {"ab", {Qt::Key_A, Qt::Key_B}},
      {"1{F2}", {Qt::Key_1, Qt::Key_F2}},
      {"{ESC}{DEL}{HOME}", {Qt::Key_Escape, Qt::Key_Delete, Qt::Key_Home}},
      // A string with an unknown or broken name types nothing.
      {"a{BOGUS}b", {}},
      {"{F17}", {}},
      {"{F123456789012}", {}},
      {"{F1", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    std::vector<int> codes;
    for (const KeyStroke& stroke : ParseKeyString(c.keys)) codes.push_back(stroke.key);
    EXPECT_EQ(codes, c.codes) << c.keys;
  }
  const auto typed = ParseKeyString("x{F1}");
  ASSERT_EQ(typed.size(), 2u);
  EXPECT_EQ(typed[0].text, QStringLiteral("x"));
  EXPECT_TRUE(typed[1].text.isEmpty());
  const auto thai = ParseKeyString("ก😀");
  ASSERT_EQ(thai.size(), 2u);
  EXPECT_EQ(thai[0].text, QString::fromUtf8("ก"));
  EXPECT_EQ(thai[1].text, QString::fromUtf8("😀"));  // one stroke, not two halves
}

TEST(DialogFilterTest, TurnsDescriptionPatternPairsIntoNameFilters) {
  struct Case {
    const char* filter;
    QStringList expected;
  };
  const Case cases[] = {
      {"function|*.kpf", {"function (*.kpf)"}},
      {"function |*.kpf", {"function  (*.kpf)"}},
      {"Settings|*.kpf;*.txt|All|*.*", {"Settings (*.kpf *.txt)", "All (*.*)"}},
      {"no pattern", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(DialogNameFilters(c.filter), c.expected) << c.filter;
}

TEST(CaptionTest, ShowsAmpersandsAsThemselves) {
  EXPECT_EQ(PlainCaption("Save & Exit"), QStringLiteral("Save && Exit"));
  EXPECT_EQ(PlainCaption("คลิก"), QString::fromUtf8("คลิก"));
}

TEST(HelpPathTest, UsesTheSystemsSeparator) {
  EXPECT_EQ(NativeHelpPath("/opt/tapvane\\manual.chm"), "/opt/tapvane/manual.chm");
  EXPECT_EQ(NativeHelpPath("\\manual.chm"), "/manual.chm");
  EXPECT_EQ(NativeHelpPath("/opt/tapvane/manual.chm"), "/opt/tapvane/manual.chm");
}

}  // namespace
}  // namespace clickora::platform::qt
