#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/text.h"  // Widen, Narrow: UTF-8 and UTF-16

namespace clickora::platform::win32 {

// Bytes in code_page (CP_ACP for settings files) to UTF-8, and back. A character that the code
// page cannot hold becomes the code page's default character ('?').
std::string CodePageToUtf8(std::string_view bytes, UINT code_page);
std::string Utf8ToCodePage(std::string_view utf8, UINT code_page);

// The system's text for an error code (GetLastError or HRESULT), without the trailing line break,
// followed by the code itself so that an unknown code still says something.
std::string SystemErrorText(DWORD code);
std::string HresultText(HRESULT hr);

}  // namespace clickora::platform::win32
