#include "platform/forms/property_names.h"

#include <gtest/gtest.h>

namespace clickora::platform::forms {
namespace {

TEST(PropertyNamesTest, MatchNamesInAnyAsciiLetterCase) {
  struct Case {
    std::string_view a, b;
    bool equal;
  };
  const Case cases[] = {
      {"Interval", "interval", true},
      {"ENABLED", "Enabled", true},
      {"", "", true},
      {"Interval", "Interva", false},
      {"Interval", "Intervals", false},
      {"@", "`", false},  // the bytes just beside the letters do not fold
      {"[", "{", false},
      {"É", "é", false},  // only ASCII letters fold
  };
  for (const Case& c : cases) EXPECT_EQ(EqualsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a;
  EXPECT_TRUE(EqualsIgnoringAsciiCase(std::wstring_view(L"Interval"), L"INTERVAL"));
}

TEST(PropertyNamesTest, FindsTheFirstSavedPropertyOfAName) {
  std::vector<std::pair<std::string, std::string>> saved = {
      {"interval", "90.5"}, {"Caption", "x"}, {"INTERVAL", "1"}};
  auto* found = FindSavedProperty<char>(saved, "Interval");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->second, "90.5");
  EXPECT_EQ(FindSavedProperty<char>(saved, "Enabled"), nullptr);
  std::vector<std::pair<std::wstring, std::wstring>> wide = {{L"interval", L"90.5"}};
  EXPECT_NE(FindSavedProperty<wchar_t>(wide, L"Interval"), nullptr);
}

}  // namespace
}  // namespace clickora::platform::forms
