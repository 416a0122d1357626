#include "dialog_filter.h"

namespace clickora::platform::win32 {

std::wstring DialogFilterList(std::wstring_view filter) {
  if (filter.empty()) return {};
  std::wstring list;
  std::size_t parts = 0;
  for (wchar_t c : filter) {
    if (c == L'|') {
      list.push_back(L'\0');
      ++parts;
    } else {
      list.push_back(c);
    }
  }
  list.push_back(L'\0');
  ++parts;
  if (parts % 2 != 0) list.push_back(L'\0');  // a description without its pattern
  list.push_back(L'\0');
  return list;
}

std::wstring DialogDefaultExtension(std::wstring_view extension) {
  while (!extension.empty() && extension.front() == L'.') extension.remove_prefix(1);
  return std::wstring(extension);
}

}  // namespace clickora::platform::win32
