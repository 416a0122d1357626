#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace clickora::platform::win32 {

// Texts are UTF-8 in the portable layer and UTF-16 at the Windows API. Bytes that are not UTF-8
// become U+FFFD; an empty result also stands for a text the system would not convert.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The same between code_page (CP_ACP for settings files) and UTF-16. A character that the code
// page cannot hold becomes the code page's default character ('?').
std::wstring WidenFrom(std::string_view bytes, UINT code_page);
std::string NarrowTo(std::wstring_view utf16, UINT code_page);

}  // namespace clickora::platform::win32
