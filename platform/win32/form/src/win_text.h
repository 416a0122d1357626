#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace clickora::platform::win32 {

// Texts are UTF-8 in the portable layer and UTF-16 at the Windows API.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Bytes in code_page (CP_ACP for settings files) to UTF-8, and back. A character that the code
// page cannot hold becomes the code page's default character ('?').
std::string CodePageToUtf8(std::string_view bytes, UINT code_page);
std::string Utf8ToCodePage(std::string_view utf8, UINT code_page);

// The system's text for an error code (GetLastError or HRESULT), without the trailing line break,
// followed by the code itself so that an unknown code still says something.
std::string SystemErrorText(DWORD code);
std::string HresultText(HRESULT hr);

}  // namespace clickora::platform::win32
