#pragma once

#include <string>
#include <string_view>

namespace clickora::platform::win32 {

// "description|pattern|description|pattern" as a file dialog component takes it, turned into the
// list of NUL-terminated strings ending in an extra NUL that the common dialogs want. An odd
// trailing description gets an empty pattern, so the pairs never run out of step.
std::wstring DialogFilterList(std::wstring_view filter);

// ".kpf" -> "kpf": the common dialogs want the default extension without its dot.
std::wstring DialogDefaultExtension(std::wstring_view extension);

}  // namespace clickora::platform::win32
