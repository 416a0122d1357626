#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "button_tool_tip.h"
#include "platform/window.h"

namespace clickora::platform::win32 {

// The intrinsic controls of a window as the portable logic sees them, each backed by a child
// window (EDIT or BUTTON). Texts cross as UTF-8.

std::string WindowTextUtf8(HWND window);
// Sets the text unless the window already shows exactly it: a read-out rewritten a hundred times a
// second then repaints only when its text really changes.
void SetWindowTextUtf8(HWND window, std::string_view text);
// Disables a child window; one that holds the focus first hands it on to the next tab stop, so
// the keyboard never ends up on a control that cannot take it.
void EnableChild(HWND window, bool enabled);

// The box's text is kept between its changes, so that a read-out that compares its text at every
// tick sends the box no message (each one costs a round trip to the server under Wine, the box
// being subclassed).
class TextBoxControl final : public TextBox {
 public:
  explicit TextBoxControl(HWND window) : window_(window) {}
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void SetMaxLength(int characters) override;

  HWND Handle() const noexcept { return window_; }
  // The box reported a change of its text (EN_CHANGE: typed, pasted, undone or set).
  void Forget() noexcept { known_.reset(); }

 private:
  HWND window_;
  mutable std::optional<std::string> known_;
};

// The option buttons of one window, which form one exclusive group. Only the selected button is
// a tab stop, so that the Tab key visits the group once, on its selected button.
class OptionGroup {
 public:
  void Add(HWND button) { buttons_.push_back(button); }
  void Select(HWND button);
  void Clear(HWND button);

 private:
  void MoveTabStop(HWND to);
  std::vector<HWND> buttons_;
};

class OptionButtonControl final : public OptionButton {
 public:
  OptionButtonControl(HWND window, OptionGroup& group) : window_(window), group_(group) {}
  bool Value() const override;
  void SetValue(bool selected) override;
  void SetEnabled(bool enabled) override { EnableChild(window_, enabled); }

 private:
  HWND window_;
  OptionGroup& group_;
};

class CommandButtonControl final : public CommandButton {
 public:
  explicit CommandButtonControl(HWND window) : window_(window) {}
  std::string Caption() const override { return WindowTextUtf8(window_); }
  void SetCaption(std::string_view caption) override { SetWindowTextUtf8(window_, caption); }
  bool Enabled() const override { return ::IsWindowEnabled(window_) != FALSE; }
  void SetEnabled(bool enabled) override { EnableChild(window_, enabled); }
  std::string ToolTipText() const override { return tool_tip_text_; }
  // The tooltip window is made at the first text that is not empty.
  void SetToolTipText(std::string_view text) override;

  // The window moved or changed its size (a new DPI).
  void FollowButton();
  // Before the parent window goes, which takes the tooltip with it.
  void DestroyToolTip() noexcept;
  // Null until a tip was set (tests).
  const ButtonToolTip* ToolTip() const noexcept { return tool_tip_.get(); }

 private:
  HWND window_;
  std::string tool_tip_text_;
  std::unique_ptr<ButtonToolTip> tool_tip_;
};

}  // namespace clickora::platform::win32
