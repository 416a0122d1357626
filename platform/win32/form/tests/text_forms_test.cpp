// The pure conversions of the Windows runtime: dialog filters, key strings, twips, names, texts.
#include <windows.h>

#include <string>

#include "check.h"
#include "dialog_filter.h"
#include "form_menus.h"
#include "key_string.h"
#include "platform/win32/form_runtime.h"
#include "twips.h"
#include "win_text.h"

using namespace clickora::platform::win32;
using namespace std::string_literals;

TEST_CASE("dialog filters become NUL-separated pairs ending in a double NUL") {
  const struct {
    std::string filter;
    std::wstring list;
  } cases[] = {
      {"function|*.kpf", L"function\0*.kpf\0\0"s},
      {"function |*.kpf", L"function \0*.kpf\0\0"s},  // the description keeps its blank
      {"Text|*.txt|All|*.*", L"Text\0*.txt\0All\0*.*\0\0"s},
      {"Both|*.kpf; *.txt", L"Both\0*.kpf;*.txt\0\0"s},
      {"ก|*.kpf", L"\x0E01\0*.kpf\0\0"s},
      {"lonely", L""},  // a description without its pattern offers nothing
      {"", L""},
  };
  for (const auto& c : cases) CHECK(DialogFilterList(c.filter) == c.list);
}

TEST_CASE("default extensions lose their dot") {
  CHECK(DialogDefaultExtension(".kpf") == L"kpf");
  CHECK(DialogDefaultExtension("kpf") == L"kpf");
  CHECK(DialogDefaultExtension("") == L"");
}

TEST_CASE("key strings name keys in braces and type everything else") {
  using K = KeyStroke::Kind;
  const struct {
    const char* keys;
    std::vector<KeyStroke> strokes;
  } cases[] = {
      {"{F1}", {{K::kVirtualKey, VK_F1}}},
      {"{f12}", {{K::kVirtualKey, VK_F12}}},
      {"{ENTER}a", {{K::kVirtualKey, VK_RETURN}, {K::kCharacter, 'a'}}},
      {"{{}{}}", {{K::kCharacter, '{'}, {K::kCharacter, '}'}}},
      {"{F99}{NOSUCHKEY}", {}},  // named nothing: dropped, never typed as text
      {"{UP}{END}", {{K::kVirtualKey, VK_UP}, {K::kVirtualKey, VK_END}}},
      {"{F1", {}},  // unfinished
      {"ก", {{K::kCharacter, 0x0E01}}},
  };
  for (const auto& c : cases) CHECK(ParseKeyString(c.keys) == c.strokes);
}

TEST_CASE("twips become pixels at the monitor's DPI, rounding to the nearest") {
  const struct {
    int twips;
    unsigned dpi;
    int pixels;
  } cases[] = {
      {3720, 96, 248},  {4990, 96, 333}, {5145, 96, 343}, {-120, 96, -8},
      {3720, 144, 372}, {15, 120, 1},    {0, 96, 0},
  };
  for (const auto& c : cases) CHECK_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels);
  CHECK_EQ(PixelsToTwips(248, 96), 3720);
  CHECK_EQ(FontHeightPixels(8.25, 96), -11);
  CHECK_EQ(FontHeightPixels(8.25, 144), -17);
}

TEST_CASE("asset names map to resource names and menu captions show '&' as it is") {
  CHECK(AssetResourceName("background.jpg") == L"BACKGROUND_JPG");
  CHECK(AssetResourceName("tap-vane 2.ico") == L"TAP_VANE_2_ICO");
  CHECK(MenuCaption("Open") == L"Open");
  CHECK(MenuCaption("Save & Exit") == L"Save && Exit");
}

TEST_CASE("texts convert between UTF-8, UTF-16 and 8-bit code pages") {
  const std::string thai = "คลิก";
  CHECK(Narrow(Widen(thai)) == thai);
  CHECK(Widen(thai) == L"\u0E04\u0E25\u0E34\u0E01");
  // Code page 874 holds Thai in one byte a character.
  CHECK(Utf8ToCodePage(thai, 874) == "\xA4\xC5\xD4\xA1");
  CHECK(CodePageToUtf8("\xA4\xC5\xD4\xA1", 874) == thai);
  // A character the code page cannot hold becomes its default character.
  CHECK(Utf8ToCodePage("a\u0E01b", 1252) == "a?b");
  CHECK(Utf8ToCodePage("500\r\n", 1252) == "500\r\n");
  CHECK(Narrow(L"") == "");
}

TEST_CASE("system error texts always name the code") {
  CHECK(SystemErrorText(ERROR_FILE_NOT_FOUND).find("0x00000002") != std::string::npos);
  CHECK(HresultText(static_cast<HRESULT>(0x800401F3)).find("0x800401F3") != std::string::npos);
}
