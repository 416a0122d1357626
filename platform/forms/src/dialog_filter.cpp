#include "platform/forms/dialog_filter.h"

namespace clickora::platform::forms {
namespace {

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string> Patterns(std::string_view list) {
  std::vector<std::string> patterns;
  while (true) {
    const std::size_t end = list.find(';');
    const std::string_view pattern = Trimmed(list.substr(0, end));
    if (!pattern.empty()) patterns.emplace_back(pattern);
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
  return patterns;
}

}  // namespace

std::vector<DialogFilter> ParseDialogFilter(std::string_view filter) {
  std::vector<DialogFilter> filters;
  while (!filter.empty()) {
    const std::size_t bar = filter.find('|');
    if (bar == std::string_view::npos) break;  // a description without its pattern
    const std::string_view description = filter.substr(0, bar);
    filter.remove_prefix(bar + 1);
    const std::size_t next = filter.find('|');
    filters.push_back({std::string(description), Patterns(filter.substr(0, next))});
    if (next == std::string_view::npos) break;
    filter.remove_prefix(next + 1);
  }
  return filters;
}

std::string_view DefaultExtensionWithoutDot(std::string_view extension) {
  while (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return extension;
}

}  // namespace clickora::platform::forms
