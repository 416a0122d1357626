#include "platform/forms/dialog_filter.h"

#include <gtest/gtest.h>

namespace clickora::platform::forms {
namespace {

TEST(DialogFilterTest, ReadsDescriptionPatternPairs) {
  struct Case {
    const char* filter;
    std::vector<DialogFilter> expected;
  };
  const Case cases[] = {
      {"function|*.kpf", {{"function", {"*.kpf"}}}},
      {"function |*.kpf", {{"function ", {"*.kpf"}}}},  // the description keeps its blank
      {"Text|*.txt|All|*.*", {{"Text", {"*.txt"}}, {"All", {"*.*"}}}},
      {"Settings|*.kpf;*.txt|All|*.*", {{"Settings", {"*.kpf", "*.txt"}}, {"All", {"*.*"}}}},
      {"Settings| *.kpf ; ;*.txt", {{"Settings", {"*.kpf", "*.txt"}}}},
      {"Nothing|", {{"Nothing", {}}}},
      // A description without its pattern offers nothing and is dropped.
      {"lonely", {}},
      {"no pattern", {}},
      {"Text|*.txt|lonely", {{"Text", {"*.txt"}}}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDialogFilter(c.filter), c.expected) << c.filter;
}

TEST(DialogFilterTest, DefaultExtensionsLoseTheirDot) {
  EXPECT_EQ(DefaultExtensionWithoutDot(".kpf"), "kpf");
  EXPECT_EQ(DefaultExtensionWithoutDot("kpf"), "kpf");
  EXPECT_EQ(DefaultExtensionWithoutDot(""), "");
}

}  // namespace
}  // namespace clickora::platform::forms
