#include "child_controls.h"

#include "win_text.h"

namespace clickora::platform::win32 {

std::string WindowTextUtf8(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
  const std::wstring wide = Widen(text);
  const int length = ::GetWindowTextLengthW(window);
  if (length == static_cast<int>(wide.size())) {
    std::wstring present(wide.size() + 1, L'\0');
    const int copied = ::GetWindowTextW(window, present.data(), length + 1);
    if (copied == length && present.compare(0, wide.size(), wide) == 0) return;
  }
  ::SetWindowTextW(window, wide.c_str());
}

void EnableChild(HWND window, bool enabled) {
  if (!enabled && ::GetFocus() == window) {
    const HWND parent = ::GetParent(window);
    const HWND next = ::GetNextDlgTabItem(parent, window, FALSE);
    // NOTE: with no other tab stop the focus goes to the window itself, which still takes keys.
    ::SetFocus(next && next != window ? next : parent);
  }
  ::EnableWindow(window, enabled ? TRUE : FALSE);
}

void CommandButtonControl::SetToolTipText(std::string_view text) {
  tool_tip_text_ = text;
  if (!tool_tip_ && !text.empty()) tool_tip_ = ButtonToolTip::Create(window_);
  if (tool_tip_) tool_tip_->SetText(text);
}

void CommandButtonControl::FollowButton() {
  if (tool_tip_) tool_tip_->FollowButton();
}

void CommandButtonControl::DestroyToolTip() noexcept {
  if (tool_tip_) tool_tip_->Destroy();
  tool_tip_.reset();
}

std::string TextBoxControl::Text() const {
  if (!known_) known_ = WindowTextUtf8(window_);
  return *known_;
}

void TextBoxControl::SetText(std::string_view text) {
  if (Text() == text) return;  // the same text again would repaint the box for nothing
  ::SetWindowTextW(window_, Widen(text).c_str());
  known_.reset();  // read back as the box holds it
}

void TextBoxControl::SetMaxLength(int characters) {
  // EM_LIMITTEXT with 0 lifts the limit to the control's maximum.
  ::SendMessageW(window_, EM_LIMITTEXT, static_cast<WPARAM>(characters > 0 ? characters : 0), 0);
}

void OptionGroup::MoveTabStop(HWND to) {
  for (HWND button : buttons_) {
    const LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
    const LONG_PTR wanted =
        button == to ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    if (wanted != style) ::SetWindowLongPtrW(button, GWL_STYLE, wanted);
  }
}

void OptionGroup::Select(HWND button) {
  for (HWND other : buttons_) {
    ::SendMessageW(other, BM_SETCHECK, other == button ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  MoveTabStop(button);
}

void OptionGroup::Clear(HWND button) {
  ::SendMessageW(button, BM_SETCHECK, BST_UNCHECKED, 0);
  // With nothing selected, the first button keeps the group reachable from the keyboard.
  for (HWND other : buttons_) {
    if (::SendMessageW(other, BM_GETCHECK, 0, 0) == BST_CHECKED) return;
  }
  if (!buttons_.empty()) MoveTabStop(buttons_.front());
}

bool OptionButtonControl::Value() const {
  return ::SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OptionButtonControl::SetValue(bool selected) {
  if (selected) {
    group_.Select(window_);
  } else {
    group_.Clear(window_);
  }
}

}  // namespace clickora::platform::win32
