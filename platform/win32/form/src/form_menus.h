#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/form_design.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;

// The first command identifier of menu items; child controls use identifiers below it.
inline constexpr UINT kFirstMenuCommand = 1000;

// Builds the menu bar of a design: items with entries become drop-downs, the others commands.
// commands receives each command's identifier with its item name. Empty when there are no menus.
UniqueMenu BuildMenuBar(const std::vector<MenuItemDesign>& menus,
                        std::map<UINT, std::string>& commands);

// A caption as a menu shows it: the design's captions carry no access keys, so '&' is doubled.
std::wstring MenuCaption(const std::string& caption);

}  // namespace clickora::platform::win32
