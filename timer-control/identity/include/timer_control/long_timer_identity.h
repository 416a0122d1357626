#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// What every host and every packaging of the LongTimer control agree on: its class name and the
// dispatch identifiers by which hosts bind late. Saved forms and running hosts rely on these
// values, so they never change. Header only: a host that uses it links nothing of the control.
namespace clickora::horolon::identity {

inline constexpr std::string_view kProjectName = "Horolib";
inline constexpr std::string_view kClassName = "LongTimer";
// The ProgID: the project name, a point and the class name.
inline constexpr std::string_view kProgId = "Horolib.LongTimer";
static_assert(kProgId.size() == kProjectName.size() + 1 + kClassName.size() &&
              kProgId.starts_with(kProjectName) && kProgId[kProjectName.size()] == '.' &&
              kProgId.ends_with(kClassName));

// The same names as the Windows API spells them (UTF-16), for the registry and the type library.
inline constexpr std::wstring_view kProjectNameWide = L"Horolib";
inline constexpr std::wstring_view kClassNameWide = L"LongTimer";
inline constexpr std::wstring_view kProgIdWide = L"Horolib.LongTimer";

constexpr bool SameAscii(std::string_view narrow, std::wstring_view wide) {
  if (narrow.size() != wide.size()) return false;
  for (std::size_t i = 0; i < narrow.size(); ++i) {
    if (static_cast<wchar_t>(narrow[i]) != wide[i]) return false;
  }
  return true;
}
static_assert(SameAscii(kProjectName, kProjectNameWide) && SameAscii(kClassName, kClassNameWide) &&
              SameAscii(kProgId, kProgIdWide));

inline constexpr std::int32_t kIntervalDispId = 0x68030003;  // VT_R4, seconds
inline constexpr std::int32_t kEnabledDispId = 0x68030002;   // VT_BOOL
inline constexpr std::int32_t kOnTimerDispId = 1;            // the one event, no arguments

}  // namespace clickora::horolon::identity
