#include "platform/sequential_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clickora::platform {
namespace {

std::vector<std::string> ReadAll(std::string_view text) {
  SequentialReader reader{std::string(text)};
  std::vector<std::string> values;
  while (auto value = reader.ReadValue()) values.push_back(*value);
  EXPECT_EQ(reader.ReadValue(), std::nullopt) << "a value after the end";
  return values;
}

struct ReadCase {
  std::string_view name;
  std::string_view text;
  std::vector<std::string> values;
};

TEST(SequentialReaderTest, SplitsValuesAtCommasAndLineEnds) {
  const ReadCase cases[] = {
      {"saved design values", "500\r\n500\r\n5\r\n1\r\n1\r\n", {"500", "500", "5", "1", "1"}},
      {"two numbers on the first line",
       "100,200\r\n3\r\n4\r\n5\r\n",
       {"100", "200", "3", "4", "5"}},
      {"quotes keep commas", "\"a,b\",c\r\n", {"a,b", "c"}},
      {"empty quotes", "\"\"\r\n7\r\n", {"", "7"}},
      {"text after the closing quote is dropped", "\"abc\"def,g\r\n", {"abc", "g"}},
      {"an unclosed quote ends at the line end", "\"open,x\r\n5\r\n", {"open,x", "5"}},
      {"a quote inside a value is kept", "a \"b\" c\r\n", {"a \"b\" c"}},
      {"leading blanks are skipped", "  5\r\n   7,  8\r\n", {"5", "7", "8"}},
      {"blanks before a quote are skipped", "  \"x\"\r\n", {"x"}},
      {"trailing blanks are kept", "5 \r\n", {"5 "}},
      {"a tab is not a blank", "\t5\r\n", {"\t5"}},
      {"empty lines are empty values", "1\r\n\r\n3\r\n", {"1", "", "3"}},
      {"a line of blanks is an empty value", "   \r\n2\r\n", {"", "2"}},
      {"LF line ends", "1\n2\n\n4\n", {"1", "2", "", "4"}},
      {"CR line ends", "1\r2\r\r4\r", {"1", "2", "", "4"}},
      {"LF CR is two line ends", "1\n\r2", {"1", "", "2"}},
      {"no line end at the end", "1\r\n2", {"1", "2"}},
      {"a comma before a line end", "1,\r\n2\r\n", {"1", "", "2"}},
      {"a trailing comma promises one more value", "1,2,", {"1", "2", ""}},
      {"blanks after a trailing comma", "1,  ", {"1", ""}},
      {"commas only", ",,", {"", "", ""}},
      {"empty input", "", {}},
      {"blanks only", "   ", {}},
      {"a lone line end", "\r\n", {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAll(c.text), c.values) << c.name;
}

TEST(SequentialWriterTest, WritesEachTextAsALineThatReadsBack) {
  const std::vector<std::vector<std::string>> files = {
      {"500", "500", "5", "1", "1"},
      {"", "", "", "", ""},
      {"-12.5", "1E+07", "x y", "0", "\t"},
  };
  for (const auto& lines : files) {
    SequentialWriter writer;
    for (const auto& line : lines) writer.WriteLine(line);
    EXPECT_EQ(ReadAll(writer.text()), lines);
  }

  SequentialWriter writer;
  for (const char* line : {"500", "500", "5", "1", "1"}) writer.WriteLine(line);
  EXPECT_EQ(writer.text(), "500\r\n500\r\n5\r\n1\r\n1\r\n");
  EXPECT_EQ(writer.text().size(), 19u);
}

}  // namespace
}  // namespace clickora::platform
