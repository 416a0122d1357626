#include "form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "form_layout.h"
#include "form_menus.h"
#include "key_string.h"
#include "platform/win32/form_runtime.h"
#include "twips.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"ClickoraForm";
constexpr int kFirstControlId = 100;
// The frame: title bar, system menu, minimize box and a sizable border. There is no maximize box:
// the window keeps one fixed size, and a maximized window could not be given it.
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = 0;
constexpr int kMainIconId = 1;

HINSTANCE ProgramInstance() {
  return ::GetModuleHandleW(nullptr);
}

bool RegisterFormClass() {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(ProgramInstance(), kFormClass, &existing)) return true;
  WNDCLASSEXW form_class{};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = &BaseWindow<FormWindow>::WindowProcedure;
  form_class.hInstance = ProgramInstance();
  form_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  form_class.lpszClassName = kFormClass;
  return ::RegisterClassExW(&form_class) != 0;
}

}  // namespace

std::wstring AssetResourceName(std::string_view asset) {
  std::wstring name;
  for (char c : asset) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') {
      name.push_back(static_cast<wchar_t>(byte - 'a' + 'A'));
    } else if ((byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')) {
      name.push_back(static_cast<wchar_t>(byte));
    } else {
      name.push_back(L'_');
    }
  }
  return name;
}

FormWindow::FormWindow(const FormDesign& design, FormContext context)
    : FormWindowBase(context.program), design_(design), context_(std::move(context)) {}

std::unique_ptr<FormWindow> FormWindow::Create(const FormDesign& design, FormContext context,
                                               std::string& error) {
  if (!RegisterFormClass()) {
    error = "Cannot register the window class: " + SystemErrorText(::GetLastError());
    return nullptr;
  }
  std::unique_ptr<FormWindow> form(new FormWindow(design, std::move(context)));
  if (!form->CreateFrame(error) || !form->CreateChildren(error)) return nullptr;
  form->LoadBackground();
  for (const std::string& name : design.file_dialogs) {
    form->AddFileDialog(name, std::make_unique<CommonFileDialog>(form->Handle()));
  }
  if (!form->CreateTimers(error) || !form->CreateEmbeddedControls(error)) return nullptr;
  for (const WindowKeyDesign& key : design.keys) {
    const std::vector<KeyStroke> strokes = ParseKeyString(key.key);
    if (strokes.size() != 1 || strokes[0].kind != KeyStroke::Kind::kVirtualKey) {
      error = "The window key " + key.name + " names no single key: " + key.key;
      return nullptr;
    }
    form->window_keys_.emplace_back(strokes[0].code, key.name);
  }
  return form;
}

FormWindow::~FormWindow() {
  SetSink(nullptr);
  running_ = false;
  display_reports_.Reset();
  ClearTimers();
  ClearEmbeddedControls();  // unadvised and released while the window still exists
  DestroyToolTips();
  if (window_) ::DestroyWindow(window_);
}

bool FormWindow::CreateFrame(std::string& error) {
  UniqueMenu menu = BuildMenuBar(design_.menus, menu_commands_);
  if (!design_.menus.empty() && !menu) {
    error = "Cannot build the menus of " + design_.name + ": " + SystemErrorText(::GetLastError());
    return false;
  }
  const unsigned dpi = DpiAtDesignPoint(design_);
  const RECT outer = OuterRectForClientAt(design_, dpi, kFormStyle, kFormExStyle);
  // Made hidden; Run shows it once the Load procedure has run.
  const HWND window =
      ::CreateWindowExW(kFormExStyle, kFormClass, Widen(design_.caption).c_str(), kFormStyle,
                        outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                        nullptr, menu.Get(), ProgramInstance(), this);
  if (!window) {
    error = "Cannot create the window " + design_.name + ": " + SystemErrorText(::GetLastError());
    return false;
  }
  menu.Release();  // destroyed with the window from now on
  dpi_ = ::GetDpiForWindow(window);
  if (dpi_ == 0) dpi_ = dpi;
  if (dpi_ != dpi) {
    const RECT placed = OuterRectForClientAt(design_, dpi_, kFormStyle, kFormExStyle);
    ::SetWindowPos(window, nullptr, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!design_.icon.empty()) {
    const HINSTANCE instance = ProgramInstance();
    auto icon = [&](int metric_x, int metric_y) {
      return reinterpret_cast<LPARAM>(
          ::LoadImageW(instance, MAKEINTRESOURCEW(kMainIconId), IMAGE_ICON,
                       ::GetSystemMetricsForDpi(metric_x, dpi_),
                       ::GetSystemMetricsForDpi(metric_y, dpi_), LR_SHARED));
    };
    ::SendMessageW(window, WM_SETICON, ICON_BIG, icon(SM_CXICON, SM_CYICON));
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON, SM_CYSMICON));
  }
  fonts_ = std::make_unique<FontSet>(dpi_);
  return true;
}

bool FormWindow::CreateChildren(std::string& error) {
  children_.reserve(design_.controls.size());
  for (const ControlDesign& control : design_.controls)
    children_.push_back(Child{control, nullptr, nullptr, UniqueGdiObject()});

  std::vector<bool> tab_stop;
  bool first_option = true;
  const std::vector<std::size_t> order = CreationOrder(design_, tab_stop);
  for (std::size_t index : order) {
    Child& child = children_[index];
    const ControlDesign& control = child.design;
    DWORD style =
        WS_CHILD | (control.visible ? WS_VISIBLE : 0) | (control.enabled ? 0 : WS_DISABLED);
    DWORD ex_style = 0;
    const wchar_t* window_class = L"BUTTON";
    switch (control.kind) {
      case ControlKind::kTextBox:
        window_class = L"EDIT";
        style |= WS_GROUP | ES_LEFT | ES_AUTOHSCROLL | (tab_stop[index] ? WS_TABSTOP : 0);
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kOptionButton:
        // One group: the first button starts it and holds the group's tab stop until one is chosen.
        style |=
            BS_AUTORADIOBUTTON | (first_option ? WS_GROUP | (tab_stop[index] ? WS_TABSTOP : 0) : 0);
        first_option = false;
        break;
      case ControlKind::kCommandButton:
        // The button that holds the focus at start is the default button: Enter presses it.
        style |= WS_GROUP | (tab_stop[index] ? WS_TABSTOP : 0) |
                 (control.name == design_.initial_focus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::kLabel:
        continue;
    }
    const auto id = static_cast<INT_PTR>(kFirstControlId + index);
    child.window =
        ::CreateWindowExW(ex_style, window_class, Widen(control.text).c_str(), style, 0, 0, 0, 0,
                          window_, reinterpret_cast<HMENU>(id), ProgramInstance(), nullptr);
    if (!child.window) {
      error =
          "Cannot create the control " + control.name + ": " + SystemErrorText(::GetLastError());
      return false;
    }
    switch (control.kind) {
      case ControlKind::kTextBox: {
        auto box = std::make_unique<TextBoxControl>(child.window);
        box->SetMaxLength(control.max_length);
        WatchTextBox(child.window, control);
        text_boxes_.push_back(box.get());
        AddTextBox(control.name, std::move(box));
        break;
      }
      case ControlKind::kOptionButton:
        options_.Add(child.window);
        AddOptionButton(control.name,
                        std::make_unique<OptionButtonControl>(child.window, options_));
        break;
      case ControlKind::kCommandButton: {
        auto button = std::make_unique<CommandButtonControl>(child.window);
        buttons_.push_back(button.get());
        AddCommandButton(control.name, std::move(button));
        break;
      }
      case ControlKind::kLabel:
        break;
    }
    if (control.back_colour.kind == ColourDesign::Kind::kRgb) {
      child.owned_brush.Reset(::CreateSolidBrush(ColourOf(control.back_colour, COLOR_WINDOW)));
      child.brush = static_cast<HBRUSH>(child.owned_brush.Get());
    } else if (control.back_colour.kind == ColourDesign::Kind::kHighlightText) {
      child.brush = ::GetSysColorBrush(COLOR_HIGHLIGHTTEXT);  // the system's, never deleted
    }
  }
  LayoutChildren(*fonts_);
  return true;
}

void FormWindow::LayoutChildren(FontSet& fonts) {
  for (Child& child : children_) {
    if (!child.window) continue;
    const ControlDesign& control = child.design;
    const RECT place = ControlRect(control, dpi_);
    ::MoveWindow(child.window, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, TRUE);
    ::SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(control.font)),
                   TRUE);
  }
  for (CommandButtonControl* button : buttons_) button->FollowButton();
  for (const auto& tip : text_box_tips_) tip->FollowButton();
}

void FormWindow::DestroyToolTips() noexcept {
  for (CommandButtonControl* button : buttons_) button->DestroyToolTip();
  for (const auto& tip : text_box_tips_) tip->Destroy();
}

void FormWindow::WatchTextBox(HWND box, const ControlDesign& control) {
  // The name lives in children_, which is reserved up front and never moves.
  ::SetWindowSubclass(box, &TextBoxProcedure, 0,
                      reinterpret_cast<DWORD_PTR>(&FindChild(box)->design.name));
  if (control.tool_tip.empty()) return;
  if (auto tip = ButtonToolTip::Create(box)) {
    tip->SetText(control.tool_tip);
    text_box_tips_.push_back(std::move(tip));
  }
}

LRESULT CALLBACK FormWindow::TextBoxProcedure(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam, UINT_PTR, DWORD_PTR name) {
  if (message == WM_LBUTTONDBLCLK) {
    // The box selects the word as ever; the window's procedure runs after that.
    const LRESULT result = ::DefSubclassProc(window, message, wparam, lparam);
    auto* form =
        reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(::GetParent(window), GWLP_USERDATA));
    if (form) form->Raise(*reinterpret_cast<const std::string*>(name), "DblClick");
    return result;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, &TextBoxProcedure, 0);
  return ::DefSubclassProc(window, message, wparam, lparam);
}

void FormWindow::LoadBackground() {
  if (design_.background_picture.empty()) return;
  const std::wstring name = AssetResourceName(design_.background_picture);
  const HRESULT hr = LoadPictureResource(ProgramInstance(), name.c_str(), picture_);
  if (FAILED(hr)) {
    // The window works without its picture; say so to a debugger rather than refuse to start.
    ::OutputDebugStringW(
        (L"background picture " + name + L" not shown: " + Widen(HresultText(hr)) + L"\n").c_str());
  }
}

bool FormWindow::CreateTimers(std::string& error) {
  for (const TimerDesign& design : design_.timers) {
    try {
      auto timer =
          context_.timers.CreateTimer([this, name = design.name] { Raise(name, "Timer"); });
      timer->SetInterval(design.interval_ms);
      AddTimer(design.name, std::move(timer));
    } catch (const std::exception& failure) {
      error = "Cannot create the timer " + design.name + ": " + failure.what();
      return false;
    }
  }
  return true;
}

bool FormWindow::CreateEmbeddedControls(std::string& error) {
  for (const EmbeddedControlDesign& design : design_.embedded_controls) {
    auto control = ActiveXControl::Create(
        design, [this, name = design.name](std::string_view event) { Raise(name, event); }, error);
    if (!control) return false;
    AddEmbeddedControl(design.name, std::move(control));
  }
  return true;
}

void FormWindow::StartTimers() {
  for (const TimerDesign& timer : design_.timers) {
    if (timer.enabled) GetTimer(timer.name).SetEnabled(true);
  }
}

void FormWindow::Show() {
  running_ = true;
  resize_raised_ = false;
  // The system reports the display's present state at once, then every change.
  display_reports_.Reset(
      ::RegisterPowerSettingNotification(window_, &kDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE));
  ::ShowWindow(window_, SW_SHOWNORMAL);
  // The first display raises Resize whether or not the system reported a size change.
  if (!resize_raised_) Raise("Form", "Resize");
  ::UpdateWindow(window_);
  if (const HWND focus = ChildWindow(design_.initial_focus)) ::SetFocus(focus);
}

HWND FormWindow::ChildWindow(std::string_view name) const {
  for (const Child& child : children_) {
    if (child.design.name == name) return child.window;
  }
  return nullptr;
}

std::string FormWindow::Caption() const {
  return WindowTextUtf8(window_);
}
void FormWindow::SetCaption(std::string_view caption) {
  SetWindowTextUtf8(window_, caption);
}

WindowState FormWindow::State() const {
  if (::IsIconic(window_)) return WindowState::kMinimized;
  if (::IsZoomed(window_)) return WindowState::kMaximized;
  return WindowState::kNormal;
}

FormWindow::PixelSize FormWindow::OuterPixelSize() const {
  RECT rect{};
  ::GetWindowRect(window_, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The top-left corner stays where it is.
void FormWindow::SetOuterPixelSize(PixelSize size) {
  ::SetWindowPos(window_, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace clickora::platform::win32
