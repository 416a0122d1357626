#include "platform/win32/text.h"

#include <limits>

namespace clickora::platform::win32 {
namespace {

int CheckedLength(std::size_t size) {
  // NOTE: the conversion functions take int lengths; longer texts are cut rather than wrapped.
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max() / 4);
  return static_cast<int>(size < kMax ? size : kMax);
}

}  // namespace

std::wstring WidenFrom(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return {};
  const int length = CheckedLength(bytes.size());
  const int needed = ::MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed);
  return wide;
}

std::string NarrowTo(std::wstring_view wide, UINT code_page) {
  if (wide.empty()) return {};
  const int length = CheckedLength(wide.size());
  const int needed =
      ::WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(code_page, 0, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

std::wstring Widen(std::string_view utf8) {
  return WidenFrom(utf8, CP_UTF8);
}

std::string Narrow(std::wstring_view utf16) {
  return NarrowTo(utf16, CP_UTF8);
}

}  // namespace clickora::platform::win32
