#include "platform/forms/key_string.h"

#include <gtest/gtest.h>

#include <string>

namespace clickora::platform::forms {
namespace {

KeyStroke Key(NamedKey key) {
  return {key, 0};
}
KeyStroke Char(char32_t character) {
  return {std::nullopt, character};
}

TEST(KeyStringTest, NamesKeysInBracesAndTypesEverythingElse) {
  struct Case {
    std::string keys;
    std::vector<KeyStroke> strokes;
  };
  const Case cases[] = {
      {"{F1}", {Key(NamedKey::kF1)}},
      {"{f12}", {Key(NamedKey::kF12)}},
      {"{F16}{F01}", {Key(NamedKey::kF16), Key(NamedKey::kF1)}},
      {"{ENTER}{TAB}", {Key(NamedKey::kEnter), Key(NamedKey::kTab)}},
      {"{ENTER}a", {Key(NamedKey::kEnter), Char('a')}},
      {"{Esc}{escape}{BS}{backspace}{DEL}{Delete}",
       {Key(NamedKey::kEscape), Key(NamedKey::kEscape), Key(NamedKey::kBackspace),
        Key(NamedKey::kBackspace), Key(NamedKey::kDelete), Key(NamedKey::kDelete)}},
      {"{UP}{DOWN}{LEFT}{RIGHT}{HOME}{END}",
       {Key(NamedKey::kUp), Key(NamedKey::kDown), Key(NamedKey::kLeft), Key(NamedKey::kRight),
        Key(NamedKey::kHome), Key(NamedKey::kEnd)}},
      {"ab", {Char('a'), Char('b')}},
      {"1{F2}", {Char('1'), Key(NamedKey::kF2)}},
      {"{{}{}}", {Char('{'), Char('}')}},
      {"}", {Char('}')}},
      {"ก", {Char(0x0E01)}},
      {"a😀", {Char('a'), Char(0x1F600)}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseKeyString(c.keys), c.strokes) << c.keys;
}

// A string with a fault types nothing, not the part before or around the fault.
TEST(KeyStringTest, AStringWithAGroupThatNamesNoKeyTypesNothing) {
  const char* const cases[] = {
      "a{BOGUS}b",       "{F99}{NOSUCHKEY}",        "{F17}", "{F0}", "{F}", "{F1a}",
      "{F123456789012}", "{F99999999999999999999}", "{F-1}", "{F1",  "x{",  "{}",
      "{F\xd9\xa1}",
  };
  for (const char* keys : cases) EXPECT_EQ(ParseKeyString(keys), std::vector<KeyStroke>()) << keys;
}

// Bytes that start no valid UTF-8 character each stand for U+FFFD; the next character is read
// from the next byte, so a broken character never swallows the keys after it.
TEST(KeyStringTest, ReadsEveryBrokenByteAsOneReplacementCharacter) {
  struct Case {
    std::string keys;
    std::vector<KeyStroke> strokes;
  };
  const Case cases[] = {
      {"\xff", {Char(0xFFFD)}},
      {"\x80"
       "a",
       {Char(0xFFFD), Char('a')}},
      {"\xe0\xb8", {Char(0xFFFD), Char(0xFFFD)}},  // cut short
      {"\xe0\xb8{F1}", {Char(0xFFFD), Char(0xFFFD), Key(NamedKey::kF1)}},
      {"\xc0\xaf", {Char(0xFFFD), Char(0xFFFD)}},                    // overlong '/'
      {"\xed\xa0\x80", {Char(0xFFFD), Char(0xFFFD), Char(0xFFFD)}},  // a surrogate
      {"\xf4\x90\x80\x80", {Char(0xFFFD), Char(0xFFFD), Char(0xFFFD), Char(0xFFFD)}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseKeyString(c.keys), c.strokes);
}

}  // namespace
}  // namespace clickora::platform::forms
