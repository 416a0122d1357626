#include "platform/fake/fake_window.h"

#include <algorithm>
#include <stdexcept>

#include "platform/fake/fake_event_loop.h"
#include "platform/forms/property_names.h"

namespace clickora::platform::fake {
namespace {

// The contract makes a wrong name a programming error; in tests it fails the test loudly.
[[noreturn]] void NoSuchControl(std::string_view kind, std::string_view name) {
  throw std::logic_error("the window has no " + std::string(kind) + " named " + std::string(name));
}

void CollectCommands(const std::vector<MenuItemDesign>& items, std::vector<std::string>& names) {
  for (const MenuItemDesign& item : items) {
    names.push_back(item.name);
    CollectCommands(item.items, names);
  }
}

}  // namespace

void FakeTextBox::TypeByUser(std::string_view text) {
  if (max_length_ <= 0) {
    text_ = text;
    return;
  }
  // Count characters, not bytes: a UTF-8 continuation byte starts no character.
  int characters = 0;
  std::size_t end = 0;
  for (; end < text.size(); ++end) {
    const bool starts_character = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
    if (starts_character && characters++ == max_length_) break;
  }
  text_ = text.substr(0, end);
}

void FakeOptionButton::SetValue(bool selected) {
  if (selected) {
    for (FakeOptionButton* other : group_) {
      if (other != this) other->value_ = false;
    }
  }
  value_ = selected;
}

void FakeCommandButton::SetCaption(std::string_view caption) {
  caption_ = caption;
  history_.push_back(caption_);
}

void FakeFileDialog::AnswerConfirm(std::string full_path) {
  answers_.push_back({DialogResult::kConfirmed, std::move(full_path)});
}

DialogResult FakeFileDialog::Show(DialogShow::Kind kind) {
  if (answers_.empty()) throw std::logic_error("the file dialog was shown with no answer queued");
  auto [result, path] = std::move(answers_.front());
  answers_.pop_front();
  const bool open = kind == DialogShow::Kind::kOpen;
  shows_.push_back(
      {kind, title_, init_dir_, default_ext_, filter_, file_name_, open, !open, result});
  if (result == DialogResult::kConfirmed) file_name_ = std::move(path);
  return result;
}

PutResult RecordingEmbeddedControl::PutProperty(DispId id, const DispValue& value) {
  puts_.push_back({id, value});
  if (const auto failure = failures_.find(id); failure != failures_.end()) {
    return {false, failure->second};
  }
  return {};
}

std::optional<DispValue> RecordingEmbeddedControl::LastPut(DispId id) const {
  for (auto put = puts_.rbegin(); put != puts_.rend(); ++put) {
    if (put->id == id) return put->value;
  }
  return std::nullopt;
}

bool FakePropertyBag::Read(std::string_view name, std::optional<std::string>& value) {
  value.reset();
  if (const auto* property = forms::FindSavedProperty<char>(properties_, name)) {
    value = property->second;
  }
  return true;
}

bool FakePropertyBag::Write(std::string_view name, std::string_view value) {
  if (auto* property = forms::FindSavedProperty<char>(properties_, name)) {
    property->second = value;
  } else {
    properties_.emplace_back(name, value);
  }
  return true;
}

FakeWindow::FakeWindow(const FormDesign& design, FakeEventLoop& loop, ProgramServices& program)
    : FormWindowBase(program),
      design_(design),
      loop_(loop),
      caption_(design.caption),
      outer_width_(design.client_width),
      outer_height_(design.client_height) {
  for (const ControlDesign& control : design.controls) {
    switch (control.kind) {
      case ControlKind::kTextBox:
        AddTextBox(control.name, std::make_unique<FakeTextBox>(control));
        break;
      case ControlKind::kOptionButton: {
        auto option = std::make_unique<FakeOptionButton>(control, option_group_);
        option_group_.push_back(option.get());
        AddOptionButton(control.name, std::move(option));
        break;
      }
      case ControlKind::kCommandButton:
        AddCommandButton(control.name, std::make_unique<FakeCommandButton>(control));
        break;
      case ControlKind::kLabel:
        break;  // nothing reaches a label at run time
    }
  }
  for (const std::string& name : design.file_dialogs) {
    AddFileDialog(name, std::make_unique<FakeFileDialog>());
  }
  for (const TimerDesign& timer : design.timers) {
    const std::string name = timer.name;
    auto interval_timer = loop_.CreateTimer([this, name] { Raise(name, "Timer"); });
    interval_timer->SetInterval(timer.interval_ms);
    AddTimer(name, std::move(interval_timer));
  }
  CollectCommands(design.menus, menu_commands_);
}

// Embedded controls go first: their inner timers may still hold callbacks into the window.
FakeWindow::~FakeWindow() {
  ClearEmbeddedControls();
  ClearTimers();
}

FakeTextBox& FakeWindow::TextBoxNamed(std::string_view name) {
  return dynamic_cast<FakeTextBox&>(GetTextBox(name));
}

FakeOptionButton& FakeWindow::OptionNamed(std::string_view name) {
  return dynamic_cast<FakeOptionButton&>(GetOptionButton(name));
}

FakeCommandButton& FakeWindow::ButtonNamed(std::string_view name) {
  return dynamic_cast<FakeCommandButton&>(GetCommandButton(name));
}

FakeFileDialog& FakeWindow::DialogNamed(std::string_view name) {
  return dynamic_cast<FakeFileDialog&>(GetFileDialog(name));
}

void FakeWindow::PressButton(std::string_view name) {
  FakeCommandButton& button = ButtonNamed(name);
  const auto design = std::find_if(design_.controls.begin(), design_.controls.end(),
                                   [&](const ControlDesign& c) { return c.name == name; });
  if (!button.Enabled() || !design->visible) return;
  Raise(name, "Click");
}

void FakeWindow::ChooseMenu(std::string_view name) {
  if (std::find(menu_commands_.begin(), menu_commands_.end(), name) == menu_commands_.end()) {
    NoSuchControl("menu item", name);
  }
  Raise(name, "Click");
}

bool FakeWindow::PressKeyByUser(std::string_view key) {
  for (const WindowKeyDesign& window_key : design_.keys) {
    if (window_key.key != key) continue;
    Raise(window_key.name, "Pressed");
    return true;
  }
  return false;
}

void FakeWindow::DoubleClickByUser(std::string_view text_box) {
  TextBoxNamed(text_box);  // a name that is no text box is the test's fault
  Raise(text_box, "DblClick");
}

void FakeWindow::SetStateByUser(WindowState state) {
  state_ = state;
  Raise("Form", "Resize");
}

void FakeWindow::SetScreenOnByUser(bool on) {
  if (SetScreenOn(on)) Raise("Form", "Resize");
}

void FakeWindow::ResizeByUser(int outer_width_twips, int outer_height_twips) {
  outer_width_ = outer_width_twips;
  outer_height_ = outer_height_twips;
  Raise("Form", "Resize");
}

void FakeWindow::Show() {
  Raise("Form", "Resize");
}

void FakeWindow::StartDesignTimers() {
  for (const TimerDesign& timer : design_.timers) {
    if (timer.enabled) GetTimer(timer.name).SetEnabled(true);
  }
}

void FakeWindow::Raise(std::string_view source, std::string_view event) {
  if (loop_.Stopped()) return;  // the program has ended: no further event procedure runs
  event_log_.emplace_back(source, event);
  FormWindowBase::Raise(source, event);
}

}  // namespace clickora::platform::fake
