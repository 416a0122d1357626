#include "button_tool_tip.h"

#include <commctrl.h>

#include <string>

#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

// The tip stays up long enough to read a time of day and a reason (the longest delay the
// control takes, about half a minute).
constexpr int kShowMilliseconds = 30000;
constexpr int kMaxTipWidth = 400;  // pixels; a longer reason wraps

// NOTE: the size of the structure up to lParam: comctl32 before version 6 refuses the larger
// one, and nothing here needs the fields beyond.
TTTOOLINFOW ToolInfo(HWND window, UINT_PTR id, UINT flags) {
  TTTOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = flags;
  info.hwnd = window;
  info.uId = id;
  return info;
}

}  // namespace

std::unique_ptr<ButtonToolTip> ButtonToolTip::Create(HWND button) {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_BAR_CLASSES;  // the tooltip class among them
  ::InitCommonControlsEx(&classes);
  std::unique_ptr<ButtonToolTip> tool_tip(new (std::nothrow) ButtonToolTip(button));
  if (!tool_tip || !tool_tip->parent_) return nullptr;
  // TTS_ALWAYSTIP: the tip also shows while the program's window is not the active one, which is
  // usual during a run, when the clicks go to another program.
  tool_tip->tip_.Reset(::CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, tool_tip->parent_, nullptr,
      ::GetModuleHandleW(nullptr), nullptr));
  if (!tool_tip->tip_ || !tool_tip->AddTools()) return nullptr;
  return tool_tip;
}

ButtonToolTip::~ButtonToolTip() {
  Destroy();
}

RECT ButtonToolTip::ButtonRectOnParent() const {
  RECT rect{};
  ::GetWindowRect(button_, &rect);
  ::MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool ButtonToolTip::AddTools() {
  const HWND tip = tip_.Get();
  wchar_t empty[] = L"";
  TTTOOLINFOW on_button =
      ToolInfo(parent_, reinterpret_cast<UINT_PTR>(button_), TTF_IDISHWND | TTF_SUBCLASS);
  on_button.lpszText = empty;
  TTTOOLINFOW on_parent = ToolInfo(parent_, kParentToolId, TTF_SUBCLASS);
  on_parent.rect = ButtonRectOnParent();
  on_parent.lpszText = empty;
  if (!::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&on_button)) ||
      !::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&on_parent))) {
    return false;
  }
  ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  ::SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kShowMilliseconds, 0));
  ::SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  return true;
}

void ButtonToolTip::SetText(std::string_view text) {
  const HWND tip = tip_.Get();
  if (!tip) return;
  std::wstring wide = Widen(text);
  for (const UINT_PTR id : {reinterpret_cast<UINT_PTR>(button_), kParentToolId}) {
    TTTOOLINFOW info = ToolInfo(parent_, id, id == kParentToolId ? 0 : TTF_IDISHWND);
    info.lpszText = wide.data();
    // A tip on screen takes the new text at once: the time of the next click changes under the
    // user's eyes after each click.
    ::SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  }
  ::SendMessageW(tip, TTM_ACTIVATE, wide.empty() ? FALSE : TRUE, 0);
}

void ButtonToolTip::FollowButton() {
  if (!tip_) return;
  TTTOOLINFOW info = ToolInfo(parent_, kParentToolId, 0);
  info.rect = ButtonRectOnParent();
  ::SendMessageW(tip_.Get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace clickora::platform::win32
