#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// The tooltip of one push button (or text box): a TOOLTIPS_CLASS window with two tools of the
// same text. The first is the button itself. The second covers the button's rectangle on its
// parent. NOTE: a disabled button gets no mouse messages (they go to the parent), so without the
// second tool the tip would vanish exactly while the button is disabled, as Start is during a run.
class ButtonToolTip {
 public:
  // Null when the tooltip window cannot be made; the button then simply has no tip.
  static std::unique_ptr<ButtonToolTip> Create(HWND button);
  ~ButtonToolTip();
  ButtonToolTip(const ButtonToolTip&) = delete;
  ButtonToolTip& operator=(const ButtonToolTip&) = delete;

  // An empty text shows no tip at all.
  void SetText(std::string_view text);
  // The parent's tool follows the button after it was moved or resized.
  void FollowButton();
  // The tooltip is owned by the button's parent and goes with it; call before the parent is
  // destroyed, so that this object never destroys a handle that is gone.
  void Destroy() noexcept { tip_.Reset(); }

  HWND Handle() const noexcept { return tip_.Get(); }
  // The ids of the two tools, for TTM_GETTEXT and the like: on the button, on the parent.
  static constexpr UINT_PTR kParentToolId = 1;

 private:
  explicit ButtonToolTip(HWND button) : button_(button), parent_(::GetParent(button)) {}
  bool AddTools();
  RECT ButtonRectOnParent() const;

  HWND button_;
  HWND parent_;
  UniqueHwnd tip_;
};

}  // namespace clickora::platform::win32
