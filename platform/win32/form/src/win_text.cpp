#include "win_text.h"

#include <cstdio>
#include <limits>

namespace clickora::platform::win32 {
namespace {

int CheckedLength(std::size_t size) {
  // NOTE: the conversion functions take int lengths; longer texts are cut rather than wrapped.
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max() / 4);
  return static_cast<int>(size < kMax ? size : kMax);
}

std::wstring ToWide(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return {};
  const int length = CheckedLength(bytes.size());
  const int needed = ::MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed);
  return wide;
}

std::string FromWide(std::wstring_view wide, UINT code_page) {
  if (wide.empty()) return {};
  const int length = CheckedLength(wide.size());
  const int needed =
      ::WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(code_page, 0, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  return ToWide(utf8, CP_UTF8);
}
std::string Narrow(std::wstring_view utf16) {
  return FromWide(utf16, CP_UTF8);
}

std::string CodePageToUtf8(std::string_view bytes, UINT code_page) {
  return Narrow(ToWide(bytes, code_page));
}
std::string Utf8ToCodePage(std::string_view utf8, UINT code_page) {
  return FromWide(Widen(utf8), code_page);
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
