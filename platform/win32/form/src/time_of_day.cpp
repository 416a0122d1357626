#include <windows.h>

#include "platform/win32/desktop_services.h"
#include "win_text.h"

namespace clickora::platform::win32 {

std::string Win32TimeOfDay::NowText() {
  // The user's own time format, hours, minutes and seconds, for the present local time.
  wchar_t buffer[128] = {};
  const int length = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, buffer, 128);
  if (length <= 1) return {};
  return Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

}  // namespace clickora::platform::win32
