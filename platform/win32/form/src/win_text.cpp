#include "win_text.h"

#include <cstdio>

namespace clickora::platform::win32 {

std::string CodePageToUtf8(std::string_view bytes, UINT code_page) {
  return Narrow(WidenFrom(bytes, code_page));
}
std::string Utf8ToCodePage(std::string_view utf8, UINT code_page) {
  return NarrowTo(Widen(utf8), code_page);
}

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  char code_text[16];
  std::snprintf(code_text, sizeof code_text, "0x%08lX", static_cast<unsigned long>(code));
  return text.empty() ? std::string("error ") + code_text : Narrow(text) + " (" + code_text + ")";
}

std::string HresultText(HRESULT hr) {
  return SystemErrorText(static_cast<DWORD>(hr));
}

}  // namespace clickora::platform::win32
