#include "qt_conversions.h"

#include <gtest/gtest.h>

namespace clickora::platform::qt {
namespace {

TEST(TwipsTest, ConvertsAtTheScreensDpi) {
  struct Case {
    int twips;
    double dpi;
    int pixels;
  };
  const Case cases[] = {
      {5145, 96, 343}, {4395, 96, 293}, {3720, 96, 248}, {4990, 96, 333},  // 332.67 rounds up
      {15, 96, 1},     {7, 96, 0},      {-120, 96, -8},  {1440, 120, 120}, {3720, 144, 372},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
  }
  EXPECT_EQ(PixelsToTwips(248, 96), 3720);
  EXPECT_EQ(PixelsToTwips(333, 96), 4995);
  EXPECT_EQ(PixelsToTwips(120, 120), 1440);
}

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
      // An unknown or broken name ends the string; what came before it is kept.
      {"a{BOGUS}b", {Qt::Key_A}},
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
