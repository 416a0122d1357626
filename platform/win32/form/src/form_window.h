#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "activex_control.h"
#include "base_window.h"
#include "child_controls.h"
#include "file_dialog.h"
#include "form_graphics.h"
#include "platform/form_runtime.h"
#include "platform/forms/form_window_base.h"
#include "platform/interval_timer.h"
#include "platform/program_services.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// GUID_CONSOLE_DISPLAY_STATE: the session's display is off (0), on (1) or dimmed (2).
inline constexpr GUID kDisplayState{
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// What a form needs from the rest of the program.
struct FormContext {
  TimerService& timers;
  // Message boxes and the program's end, for an error that no event procedure caught.
  ProgramServices& program;
  // F1 in the window, or the WM_HELP of a modal loop.
  std::function<void()> show_help;
};

// One top-level window made from a FormDesign. HandleMessage only turns messages into calls:
// events to the dispatcher, paint to the surface painter, colours and fonts to the child controls.
class FormWindow final : public forms::FormWindowBase, public BaseWindow<FormWindow> {
 public:
  static std::unique_ptr<FormWindow> Create(const FormDesign& design, FormContext context,
                                            std::string& error);
  ~FormWindow() override;

  // Window
  std::string Caption() const override;
  void SetCaption(std::string_view caption) override;
  WindowState State() const override;

  // The life of the window under the runtime's message loop.
  void Attach(FormEventSink* sink) noexcept { SetSink(sink); }
  void StartTimers();
  // Shows the window where it was designed (raising Resize) and gives the focus to the design's
  // first control.
  void Show();
  // Keys that the window handles before the focused control sees them: F1, the design's window
  // keys, and the dialog keys (Tab, Enter, Space, arrows). True when the message has been handled.
  bool PreTranslate(MSG& message);
  unsigned Dpi() const noexcept { return dpi_; }
  // The child window of a control, or null for a label or an unknown name (tests, diagnostics).
  HWND ChildWindow(std::string_view name) const;

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnUncaughtException() noexcept;

 private:
  struct Child {
    ControlDesign design;
    HWND window = nullptr;   // none for labels, which the form paints itself
    HBRUSH brush = nullptr;  // background for WM_CTLCOLOR*, when the design sets a colour
    UniqueGdiObject owned_brush;
  };

  FormWindow(const FormDesign& design, FormContext context);
  PixelSize OuterPixelSize() const override;
  void SetOuterPixelSize(PixelSize size) override;
  double DpiX() const override { return dpi_; }
  double DpiY() const override { return dpi_; }
  bool CreateFrame(std::string& error);
  bool CreateChildren(std::string& error);
  void LoadBackground();
  bool CreateTimers(std::string& error);
  bool CreateEmbeddedControls(std::string& error);
  void LayoutChildren(FontSet& fonts);
  void DestroyToolTips() noexcept;
  // A text box raises DblClick on a double-click and shows the design's tip.
  void WatchTextBox(HWND box, const ControlDesign& control);
  static LRESULT CALLBACK TextBoxProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR id, DWORD_PTR name);

  void Paint();
  LRESULT ControlColour(HDC dc, HWND control);
  void OnCommand(WPARAM wparam, LPARAM lparam);
  void OnActivate(WPARAM wparam);
  void OnDpiChanged(unsigned dpi, const RECT& suggested);
  void OnPowerSetting(const POWERBROADCAST_SETTING& setting);
  Child* FindChild(HWND window);

  FormDesign design_;
  FormContext context_;
  bool running_ = false;
  bool resize_raised_ = false;
  unsigned dpi_ = 96;
  std::unique_ptr<FontSet> fonts_;
  Picture picture_;
  HWND saved_focus_ = nullptr;

  std::vector<Child> children_;  // in the design's order, front to back
  OptionGroup options_;
  std::vector<CommandButtonControl*> buttons_;  // owned by the base, for their tooltips
  std::vector<TextBoxControl*> text_boxes_;     // owned by the base, told of their changes
  std::vector<std::unique_ptr<ButtonToolTip>> text_box_tips_;
  std::vector<std::pair<UINT, std::string>> window_keys_;  // virtual key, event source
  std::map<UINT, std::string> menu_commands_;
  // Reports of the display going off and on, while the window is shown.
  UniqueHandle<HPOWERNOTIFY, &::UnregisterPowerSettingNotification> display_reports_;
};

}  // namespace clickora::platform::win32
