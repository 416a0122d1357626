#include "form_menus.h"

#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

bool AppendItems(HMENU menu, const std::vector<MenuItemDesign>& items,
                 std::map<UINT, std::string>& commands, UINT& next_command) {
  for (const MenuItemDesign& item : items) {
    const std::wstring caption = MenuCaption(item.caption);
    if (item.items.empty()) {
      const UINT command = next_command++;
      if (!::AppendMenuW(menu, MF_STRING, command, caption.c_str())) return false;
      commands[command] = item.name;
      continue;
    }
    UniqueMenu popup(::CreatePopupMenu());
    if (!popup || !AppendItems(popup.Get(), item.items, commands, next_command)) return false;
    if (!::AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup.Get()),
                       caption.c_str())) {
      return false;
    }
    popup.Release();  // the parent menu owns it now
  }
  return true;
}

}  // namespace

std::wstring MenuCaption(const std::string& caption) {
  std::wstring shown;
  for (wchar_t c : Widen(caption)) {
    if (c == L'&') shown.push_back(L'&');
    shown.push_back(c);
  }
  return shown;
}

UniqueMenu BuildMenuBar(const std::vector<MenuItemDesign>& menus,
                        std::map<UINT, std::string>& commands) {
  if (menus.empty()) return UniqueMenu();
  UniqueMenu bar(::CreateMenu());
  UINT next_command = kFirstMenuCommand;
  if (!bar || !AppendItems(bar.Get(), menus, commands, next_command)) {
    commands.clear();
    return UniqueMenu();
  }
  return bar;
}

}  // namespace clickora::platform::win32
