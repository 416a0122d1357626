#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace clickora::platform::forms {

// One entry of a file dialog's filter list: its description as written (blanks kept, since the
// program may mean "function " with its blank) and its patterns.
struct DialogFilter {
  std::string description;
  std::vector<std::string> patterns;  // without blanks around them; none for an empty pattern
  friend bool operator==(const DialogFilter&, const DialogFilter&) = default;
};

// "description|pattern|description|pattern", the patterns of one entry separated by ';'. A
// trailing description without its pattern offers nothing to choose and is dropped.
std::vector<DialogFilter> ParseDialogFilter(std::string_view filter);

// ".kpf" -> "kpf": the default extension as the dialogs append it, without its dots.
std::string_view DefaultExtensionWithoutDot(std::string_view extension);

}  // namespace clickora::platform::forms
