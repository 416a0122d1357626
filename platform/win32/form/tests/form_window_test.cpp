// A window made from a small design: placement, controls, focus order, events and errors.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "check.h"
#include "form_window.h"
#include "numbers/runtime_error.h"
#include "win_text.h"

using namespace clickora::platform;
using namespace clickora::platform::win32;

namespace {

class FakeTimer final : public IntervalTimer {
 public:
  explicit FakeTimer(std::function<void()> tick) : tick_(std::move(tick)) {}
  void SetInterval(std::int32_t ms) override { interval_ = ms; }
  std::int32_t Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }
  void Tick() { tick_(); }

 private:
  std::function<void()> tick_;
  std::int32_t interval_ = 100;
  bool enabled_ = false;
};

class FakeTimers final : public TimerService {
 public:
  std::unique_ptr<IntervalTimer> CreateTimer(std::function<void()> on_tick) override {
    auto timer = std::make_unique<FakeTimer>(std::move(on_tick));
    made.push_back(timer.get());
    return timer;
  }
  std::vector<FakeTimer*> made;
};

class FakeProgram final : public ProgramServices {
 public:
  std::string ProgramFolder() override { return "C:\\program"; }
  void SetHelpFile(std::string_view) override {}
  void SendKeysNoWait(std::string_view) override {}
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  clickora::numbers::NumberFormat UserNumberFormat() override { return {}; }
  void EndProgram(int exit_code) override { ended_with = exit_code; }
  std::vector<std::string> messages;
  int ended_with = -1;
};

class RecordingSink final : public FormEventSink {
 public:
  void OnFormEvent(std::string_view source, std::string_view event) override {
    events.push_back(std::string(source) + "_" + std::string(event));
    if (on_event) on_event(source, event);
  }
  std::vector<std::string> events;
  std::function<void(std::string_view, std::string_view)> on_event;
};

// Each control's start text is its name.
ControlDesign Control(const char* name, ControlKind kind, int left, int top, int width,
                      int height) {
  return PlacedControl(name, kind, left, top, width, height, name);
}

constexpr char kText2Tip[] = "ดับเบิลคลิกหรือกด F8";

ControlDesign Text2WithTip() {
  ControlDesign text2 = Control("Text2", ControlKind::kTextBox, 600, 120, 2535, 375);
  text2.tool_tip = kText2Tip;
  return text2;
}

FormDesign SmallDesign() {
  FormDesign design;
  design.name = "frmTest";
  design.caption = "Mouse";
  design.client_width = 7365;
  design.client_height = 5655;
  design.left = 1500;
  design.top = 1500;
  ControlDesign text1 = Control("Text1", ControlKind::kTextBox, 600, 600, 2535, 375);
  text1.back_colour = ColourDesign::Rgb(128, 255, 128);
  ControlDesign option2 = Control("Option2", ControlKind::kOptionButton, 2160, 2400, 1575, 255);
  option2.enabled = false;
  ControlDesign text8 = Control("Text8", ControlKind::kTextBox, 2040, 1680, 1095, 375);
  text8.max_length = 5;
  ControlDesign text7 = Control("Text7", ControlKind::kTextBox, 3720, 240, 375, 375);
  text7.visible = false;
  design.controls = {text1,
                     option2,
                     Control("Option1", ControlKind::kOptionButton, 720, 2400, 1095, 255),
                     text8,
                     text7,
                     Text2WithTip(),
                     Control("Command4", ControlKind::kCommandButton, 240, 3720, 3135, 495),
                     Control("Label1", ControlKind::kLabel, 3200, 1755, 375, 255)};
  design.tab_order = {"Command4", "Text2", "Text8", "Option1", "Option2", "Text1"};
  design.initial_focus = "Command4";
  design.timers = {{"Timer10", 1, true}};
  design.file_dialogs = {"CommonDialog1"};
  design.keys = {{"PickKey", "{F8}"}};
  design.menus = {{"file", "File", {{"openna", "Open", {}}, {"exitna", "Exit", {}}}},
                  {"regis", "Manual", {{"Aboutja", "Manual", {}}}}};
  return design;
}

struct Harness {
  FakeTimers timers;
  FakeProgram program;
  RecordingSink sink;
  int help_shown = 0;
  std::unique_ptr<FormWindow> form;

  Harness() {
    std::string error;
    form = FormWindow::Create(SmallDesign(), FormContext{timers, program, [this] { ++help_shown; }},
                              error);
    if (form) form->Attach(&sink);
  }
  RECT ChildRect(const char* name) const {
    RECT rect{};
    const HWND child = form->ChildWindow(name);
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  UINT MenuCommand(int top, int item) const {
    return ::GetMenuItemID(::GetSubMenu(::GetMenu(form->Handle()), top), item);
  }
};

}  // namespace

TEST_CASE("the client area's top-left stands at the designed point and controls at their places") {
  Harness h;
  CHECK(h.form != nullptr);
  if (!h.form) return;
  CHECK_EQ(h.form->Dpi(), 96u);  // the test program is not DPI aware
  POINT origin{0, 0};
  ::ClientToScreen(h.form->Handle(), &origin);
  CHECK_EQ(origin.x, 100);  // 1500 twips
  CHECK_EQ(origin.y, 100);
  RECT client{};
  ::GetClientRect(h.form->Handle(), &client);
  CHECK_EQ(client.right, 491);  // 7365 twips
  const RECT text1 = h.ChildRect("Text1");
  CHECK(text1.left == 40 && text1.top == 40 && text1.right == 209 && text1.bottom == 65);
  CHECK(h.form->ChildWindow("Label1") == nullptr);  // labels are painted, not windows
  CHECK(!::IsWindowVisible(h.form->Handle()));      // hidden until Run shows it
  CHECK(!::IsWindowVisible(h.form->ChildWindow("Text7")));
  CHECK(!::IsWindowEnabled(h.form->ChildWindow("Option2")));
  CHECK_EQ(::SendMessageW(h.form->ChildWindow("Text8"), EM_GETLIMITTEXT, 0, 0), 5);
}

TEST_CASE("outer size is set in twips with the top-left kept") {
  Harness h;
  if (!h.form) return;
  RECT before{};
  ::GetWindowRect(h.form->Handle(), &before);
  h.form->SetOuterHeightTwips(4990);
  h.form->SetOuterWidthTwips(3720);
  RECT after{};
  ::GetWindowRect(h.form->Handle(), &after);
  CHECK(after.left == before.left && after.top == before.top);
  CHECK_EQ(after.right - after.left, 248);
  CHECK_EQ(after.bottom - after.top, 333);
  CHECK_EQ(h.form->OuterWidthTwips(), 3720);
  CHECK(h.form->State() == WindowState::kNormal);
}

TEST_CASE("texts and captions cross as UTF-8; option buttons form one exclusive group") {
  Harness h;
  if (!h.form) return;
  TextBox& text2 = h.form->GetTextBox("Text2");
  text2.SetText(" x : -5 , y :  7");
  CHECK(text2.Text() == " x : -5 , y :  7");
  // The text kept between changes follows a change made in the box itself (typed, or set by
  // another program), and the program's same text again puts it back.
  const HWND box = h.form->ChildWindow("Text2");
  ::SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
  CHECK(text2.Text() == "typed");
  text2.SetText(" x : -5 , y :  7");
  wchar_t shown[32] = {};
  ::GetWindowTextW(box, shown, 32);
  CHECK(std::wstring(shown) == L" x : -5 , y :  7");
  CommandButton& start = h.form->GetCommandButton("Command4");
  start.SetCaption("โปรแกรมเริ่มทำงานแล้ว");
  CHECK(start.Caption() == "โปรแกรมเริ่มทำงานแล้ว");
  h.form->SetCaption("Clickora");
  CHECK(h.form->Caption() == "Clickora");

  OptionButton& option1 = h.form->GetOptionButton("Option1");
  OptionButton& option2 = h.form->GetOptionButton("Option2");
  option2.SetEnabled(true);
  option1.SetValue(true);
  CHECK(option1.Value() && !option2.Value());
  option2.SetValue(true);
  CHECK(!option1.Value() && option2.Value());
  // Only the selected button is a tab stop, so Tab visits the group once.
  CHECK((::GetWindowLongPtrW(h.form->ChildWindow("Option2"), GWL_STYLE) & WS_TABSTOP) != 0);
  CHECK((::GetWindowLongPtrW(h.form->ChildWindow("Option1"), GWL_STYLE) & WS_TABSTOP) == 0);
}

TEST_CASE("Tab visits the controls in the design's tab order") {
  Harness h;
  if (!h.form) return;
  h.form->GetOptionButton("Option1").SetValue(true);
  const HWND window = h.form->Handle();
  std::vector<HWND> expected;
  for (const char* name : {"Text2", "Text8", "Option1", "Text1", "Command4"})
    expected.push_back(h.form->ChildWindow(name));
  HWND at = h.form->ChildWindow("Command4");
  std::vector<HWND> visited;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    at = ::GetNextDlgTabItem(window, at, FALSE);
    visited.push_back(at);
  }
  CHECK(visited == expected);
}

TEST_CASE("buttons, menus, timers and closing raise their events") {
  Harness h;
  if (!h.form) return;
  const HWND window = h.form->Handle();
  const HWND start = h.form->ChildWindow("Command4");
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(start), BN_CLICKED),
                 reinterpret_cast<LPARAM>(start));
  // A button that has been disabled raises nothing, even when a key press still reports it.
  h.form->GetCommandButton("Command4").SetEnabled(false);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(start), BN_CLICKED),
                 reinterpret_cast<LPARAM>(start));
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(h.MenuCommand(0, 0), 0), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(h.MenuCommand(1, 0), 0), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);  // Enter in a text box: no command
  CHECK_EQ(h.timers.made.size(), 1u);
  CHECK_EQ(h.timers.made[0]->Interval(), 1);
  CHECK(!h.timers.made[0]->Enabled());  // not before Run
  h.form->StartTimers();
  CHECK(h.timers.made[0]->Enabled());
  h.timers.made[0]->Tick();
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  const std::vector<std::string> expected{"Command4_Click", "openna_Click", "Aboutja_Click",
                                          "Timer10_Timer", "Form_Unload"};
  CHECK(h.sink.events == expected);
  CHECK(!::IsWindow(window));  // an Unload that did not end the program lets the window go
}

TEST_CASE("F1 opens the help, and an error no procedure caught is reported and ends the program") {
  Harness h;
  if (!h.form) return;
  MSG f1{h.form->ChildWindow("Text2"), WM_KEYDOWN, VK_F1, 0, 0, {}};
  CHECK(h.form->PreTranslate(f1));
  CHECK_EQ(h.help_shown, 1);

  h.sink.on_event = [](std::string_view, std::string_view) {
    throw clickora::RuntimeError(clickora::ErrorKind::kOverflow, "Overflow");
  };
  h.form->Raise("Command4", "Click");
  CHECK(h.program.messages.size() == 1 &&
        h.program.messages[0].find("Overflow") != std::string::npos);
  CHECK_EQ(h.program.ended_with, 1);

  bool threw = false;
  try {
    h.form->GetTextBox("NoSuchText");
  } catch (const std::out_of_range&) {
    threw = true;
  }
  CHECK(threw);
  CHECK(h.program.messages.back().find("NoSuchText") != std::string::npos);
  CHECK(&h.form->GetFileDialog("CommonDialog1") != nullptr);
}

namespace {

// The text of one tool of a tooltip window, as the tooltip itself holds it.
std::wstring ToolText(HWND tip, HWND window, UINT_PTR id, UINT flags) {
  wchar_t text[512] = {};
  TTTOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = flags;
  info.hwnd = window;
  info.uId = id;
  info.lpszText = text;
  ::SendMessageW(tip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&info));
  return text;
}

}  // namespace

TEST_CASE(
    "the Start button's tip is shown by a tooltip, also over the button while it is disabled") {
  Harness h;
  if (!h.form) return;
  auto& start = dynamic_cast<CommandButtonControl&>(h.form->GetCommandButton("Command4"));
  CHECK(start.ToolTip() == nullptr);  // no tooltip window until there is a tip
  start.SetToolTipText("");
  CHECK(start.ToolTip() == nullptr);

  const std::string tip = "กด F6 เพื่อหยุด — คลิกครั้งต่อไปเวลา 12:01:00";
  start.SetToolTipText(tip);
  CHECK(start.ToolTipText() == tip);
  if (!start.ToolTip()) {
    CHECK(start.ToolTip() != nullptr);
    return;
  }
  const HWND tooltip = start.ToolTip()->Handle();
  const HWND window = h.form->Handle();
  const HWND button = h.form->ChildWindow("Command4");
  CHECK(::GetWindow(tooltip, GW_OWNER) == window);
  CHECK_EQ(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
  const std::wstring wide = clickora::platform::win32::Widen(tip);
  CHECK(ToolText(tooltip, window, reinterpret_cast<UINT_PTR>(button), TTF_IDISHWND) == wide);
  CHECK(ToolText(tooltip, window, ButtonToolTip::kParentToolId, 0) == wide);

  // The window's own tool lies over the button, where the mouse messages of a disabled button go.
  start.SetEnabled(false);
  const RECT place = h.ChildRect("Command4");
  TTHITTESTINFOW hit{};
  hit.hwnd = window;
  hit.pt = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
  hit.ti.cbSize = TTTOOLINFOW_V2_SIZE;
  CHECK(::SendMessageW(tooltip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)) != FALSE);
  CHECK(hit.ti.uId == ButtonToolTip::kParentToolId);
  hit.pt = {place.left - 5, place.top - 5};
  CHECK(::SendMessageW(tooltip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)) == FALSE);

  // A new text replaces the old one in both tools; an empty one leaves no tip.
  start.SetToolTipText("second");
  CHECK(ToolText(tooltip, window, ButtonToolTip::kParentToolId, 0) == L"second");
  start.SetToolTipText("");
  CHECK(start.ToolTipText().empty());
  CHECK(ToolText(tooltip, window, reinterpret_cast<UINT_PTR>(button), TTF_IDISHWND).empty());

  // The tooltip goes with its window, before the window itself.
  start.SetToolTipText("last");
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  CHECK(!::IsWindow(tooltip));
  CHECK(start.ToolTip() == nullptr);
}

namespace {

// The tooltip windows that the form owns.
std::vector<HWND> ToolTipsOf(HWND form) {
  std::vector<HWND> tips;
  for (HWND window = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); window;
       window = ::FindWindowExW(nullptr, window, TOOLTIPS_CLASSW, nullptr)) {
    if (::GetWindow(window, GW_OWNER) == form) tips.push_back(window);
  }
  return tips;
}

}  // namespace

TEST_CASE("window keys and double-clicks on text boxes raise events; a box shows its tip") {
  Harness h;
  if (!h.form) return;
  const HWND text2 = h.form->ChildWindow("Text2");
  for (const MSG& key : {MSG{text2, WM_KEYDOWN, VK_F8, 0, 0, {}},
                         MSG{text2, WM_KEYDOWN, VK_F8, 1 << 30, 0, {}},  // held: a repeat
                         MSG{text2, WM_KEYUP, VK_F8, 0, 0, {}},
                         MSG{h.form->Handle(), WM_KEYDOWN, VK_F8, 0, 0, {}}}) {
    MSG message = key;
    CHECK(h.form->PreTranslate(message));  // the key reaches no control
  }
  MSG f7{text2, WM_KEYDOWN, VK_F7, 0, 0, {}};
  h.form->PreTranslate(f7);
  for (const char* box : {"Text2", "Text1"}) {
    const HWND window = h.form->ChildWindow(box);
    ::SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  ::ReleaseCapture();
  const std::vector<std::string> expected{"PickKey_Pressed", "PickKey_Pressed", "Text2_DblClick",
                                          "Text1_DblClick"};
  CHECK(h.sink.events == expected);

  // Only Text2 has a tip: one tooltip window, whose tool on the box holds the design's text.
  const std::vector<HWND> tips = ToolTipsOf(h.form->Handle());
  CHECK_EQ(tips.size(), 1u);
  if (tips.size() != 1) return;
  CHECK(ToolText(tips[0], h.form->Handle(), reinterpret_cast<UINT_PTR>(text2), TTF_IDISHWND) ==
        Widen(kText2Tip));
}
