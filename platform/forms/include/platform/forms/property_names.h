#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace clickora::platform::forms {

// Saved-property names match without regard to letter case: the window keeps "interval" while the
// control asks for "Interval". Names are identifiers, so only ASCII letters fold, the same on
// every system and in every locale.
template <typename Char>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> a,
                                       std::basic_string_view<Char> b) noexcept {
  if (a.size() != b.size()) return false;
  const auto lower = [](Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
  };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
  return EqualsIgnoringAsciiCase<char>(a, b);
}
constexpr bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) noexcept {
  return EqualsIgnoringAsciiCase<wchar_t>(a, b);
}

// The first saved (name, value) pair whose name matches, or null.
template <typename Char>
std::pair<std::basic_string<Char>, std::basic_string<Char>>* FindSavedProperty(
    std::vector<std::pair<std::basic_string<Char>, std::basic_string<Char>>>& properties,
    std::basic_string_view<Char> name) noexcept {
  for (auto& property : properties) {
    if (EqualsIgnoringAsciiCase<Char>(property.first, name)) return &property;
  }
  return nullptr;
}

}  // namespace clickora::platform::forms
