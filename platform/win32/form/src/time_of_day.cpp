#include <windows.h>

#include <algorithm>
#include <cmath>

#include "platform/win32/desktop_services.h"
#include "win_text.h"

namespace clickora::platform::win32 {

std::string Win32TimeOfDay::NowText() {
  return TextAfterSeconds(0);
}

std::string Win32TimeOfDay::TextAfterSeconds(double seconds) {
  // The user's own time format, hours, minutes and seconds, for the local time then: UTC moved
  // on in 100 ns units, then turned local with the time-zone rules of that day.
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER units{};
  units.LowPart = now.dwLowDateTime;
  units.HighPart = now.dwHighDateTime;
  // To the 100 ns unit: a time 59.9 s ahead of 12:00:00.7 is 12:01:00, not 12:00:59.
  units.QuadPart += static_cast<ULONGLONG>(std::llround(std::max(0.0, seconds) * 1e7));
  const FILETIME then{units.LowPart, units.HighPart};
  SYSTEMTIME utc{}, local{};
  if (!::FileTimeToSystemTime(&then, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return {};
  }
  wchar_t buffer[128] = {};
  const int length = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, buffer, 128);
  if (length <= 1) return {};
  return Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

}  // namespace clickora::platform::win32
