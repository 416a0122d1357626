#pragma once

#include <string>
#include <string_view>

namespace clickora::platform::win32 {

// "description|pattern|description|pattern" (UTF-8) as a file dialog component takes it, turned
// into the list of NUL-terminated strings ending in an extra NUL that the common dialogs want, the
// patterns of one entry joined by ';'. Empty when the filter offers nothing.
std::wstring DialogFilterList(std::string_view filter);

// ".kpf" -> "kpf": the common dialogs want the default extension without its dot.
std::wstring DialogDefaultExtension(std::string_view extension);

}  // namespace clickora::platform::win32
