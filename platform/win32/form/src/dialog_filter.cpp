#include "dialog_filter.h"

#include "platform/forms/dialog_filter.h"
#include "win_text.h"

namespace clickora::platform::win32 {

std::wstring DialogFilterList(std::string_view filter) {
  const std::vector<forms::DialogFilter> filters = forms::ParseDialogFilter(filter);
  if (filters.empty()) return {};
  std::wstring list;
  for (const forms::DialogFilter& entry : filters) {
    list += Widen(entry.description);
    list.push_back(L'\0');
    for (std::size_t i = 0; i < entry.patterns.size(); ++i) {
      if (i > 0) list.push_back(L';');
      list += Widen(entry.patterns[i]);
    }
    list.push_back(L'\0');
  }
  list.push_back(L'\0');
  return list;
}

std::wstring DialogDefaultExtension(std::string_view extension) {
  return Widen(forms::DefaultExtensionWithoutDot(extension));
}

}  // namespace clickora::platform::win32
