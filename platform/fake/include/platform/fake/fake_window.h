#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/form_design.h"
#include "platform/form_runtime.h"
#include "platform/forms/form_window_base.h"
#include "platform/interval_timer.h"
#include "platform/property_bag.h"
#include "platform/window.h"

namespace clickora::platform::fake {

class FakeEventLoop;

class FakeTextBox final : public TextBox {
 public:
  explicit FakeTextBox(const ControlDesign& design)
      : text_(design.text), max_length_(design.max_length) {}

  std::string Text() const override { return text_; }
  void SetText(std::string_view text) override {
    text_ = text;
    ++sets_;
  }
  void SetMaxLength(int characters) override { max_length_ = characters; }

  int MaxLength() const noexcept { return max_length_; }
  // How often the program has set the text (each set repaints the real box).
  int SetCount() const noexcept { return sets_; }
  // The user typing a whole new text: cut to MaxLength characters, as the real box refuses more.
  void TypeByUser(std::string_view text);

 private:
  std::string text_;
  int max_length_;
  int sets_ = 0;
};

// Option buttons that lie directly on the window form one exclusive group.
class FakeOptionButton final : public OptionButton {
 public:
  FakeOptionButton(const ControlDesign& design, std::vector<FakeOptionButton*>& group)
      : enabled_(design.enabled), group_(group) {}

  bool Value() const override { return value_; }
  void SetValue(bool selected) override;
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

  bool Enabled() const noexcept { return enabled_; }
  // The user clicking the button; a disabled one does not react.
  void SelectByUser() {
    if (enabled_) SetValue(true);
  }

 private:
  bool value_ = false;
  bool enabled_;
  std::vector<FakeOptionButton*>& group_;
};

class FakeCommandButton final : public CommandButton {
 public:
  explicit FakeCommandButton(const ControlDesign& design)
      : caption_(design.text), enabled_(design.enabled) {}

  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  std::string ToolTipText() const override { return tool_tip_; }
  void SetToolTipText(std::string_view text) override { tool_tip_ = text; }

  // Every caption set since creation, in order.
  const std::vector<std::string>& CaptionHistory() const noexcept { return history_; }

 private:
  std::string caption_;
  bool enabled_;
  std::string tool_tip_;
  std::vector<std::string> history_;
};

// What one show of the file dialog looked like, and how it ended.
struct DialogShow {
  enum class Kind : std::uint8_t { kOpen, kSave };
  Kind kind = Kind::kOpen;
  std::string title;
  std::string init_dir;
  std::string default_ext;
  std::string filter;
  std::string file_name;  // proposed when shown
  // The contract's behaviour of each kind, recorded so a test can state what the user was
  // offered: Open lists and accepts only existing files; Save asks before replacing one.
  bool file_must_exist = false;
  bool asks_before_replacing = false;
  DialogResult result = DialogResult::kCancelled;
};

// The common file dialog, answered by the test: each show takes the next queued answer.
class FakeFileDialog final : public FileDialog {
 public:
  void SetDialogTitle(std::string_view title) override { title_ = title; }
  void SetInitDir(std::string_view folder) override { init_dir_ = folder; }
  void SetDefaultExt(std::string_view extension) override { default_ext_ = extension; }
  void SetFilter(std::string_view filter) override { filter_ = filter; }
  void SetFileName(std::string_view file_name) override { file_name_ = file_name; }
  std::string FileName() const override { return file_name_; }
  DialogResult ShowOpen() override { return Show(DialogShow::Kind::kOpen); }
  DialogResult ShowSave() override { return Show(DialogShow::Kind::kSave); }

  // Answers for the next shows, in order. A show with nothing queued is a fault of the test.
  void AnswerConfirm(std::string full_path);
  void AnswerCancel() { answers_.push_back({DialogResult::kCancelled, {}}); }
  void AnswerFail() { answers_.push_back({DialogResult::kFailed, {}}); }

  const std::vector<DialogShow>& Shows() const noexcept { return shows_; }

 private:
  DialogResult Show(DialogShow::Kind kind);

  std::string title_, init_dir_, default_ext_, filter_, file_name_;
  std::deque<std::pair<DialogResult, std::string>> answers_;
  std::vector<DialogShow> shows_;
};

struct PropertyPut {
  DispId id = 0;
  DispValue value;
  friend bool operator==(const PropertyPut&, const PropertyPut&) = default;
};

// An embedded control that records the host's property puts and raises events on demand.
class RecordingEmbeddedControl final : public EmbeddedControl {
 public:
  explicit RecordingEmbeddedControl(std::function<void(std::string_view)> raise_event)
      : raise_event_(std::move(raise_event)) {}

  PutResult PutProperty(DispId id, const DispValue& value) override;

  // Puts of this id fail with error from now on (the put is still recorded).
  void FailPutsOf(DispId id, std::string error) { failures_[id] = std::move(error); }
  void ClearFailures() { failures_.clear(); }
  // Raises one of the control's events into the window, as the control would.
  void Fire(std::string_view event) { raise_event_(event); }

  const std::vector<PropertyPut>& Puts() const noexcept { return puts_; }
  std::optional<DispValue> LastPut(DispId id) const;

 private:
  std::function<void(std::string_view)> raise_event_;
  std::map<DispId, std::string> failures_;
  std::vector<PropertyPut> puts_;
};

// The saved properties of an embedded control, matched by name without regard to letter case, as
// the window keeps them in lower case.
class FakePropertyBag final : public PropertyBag {
 public:
  explicit FakePropertyBag(std::vector<std::pair<std::string, std::string>> properties)
      : properties_(std::move(properties)) {}
  bool Read(std::string_view name, std::optional<std::string>& value) override;
  bool Write(std::string_view name, std::string_view value) override;
  const std::vector<std::pair<std::string, std::string>>& Properties() const noexcept {
    return properties_;
  }

 private:
  std::vector<std::pair<std::string, std::string>> properties_;
};

// A window created from design data, with recording controls. The test plays the user: pressing
// buttons, choosing menu items, typing, resizing, minimizing and closing. Its controls, sizes and
// events are those of every backend (forms::FormWindowBase), at a DPI where a pixel is a twip.
class FakeWindow final : public forms::FormWindowBase {
 public:
  FakeWindow(const FormDesign& design, FakeEventLoop& loop, ProgramServices& program);
  ~FakeWindow() override;

  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  WindowState State() const override { return state_; }

  // Typed access for tests; a wrong name is reported as the backends report it, then thrown.
  FakeTextBox& TextBoxNamed(std::string_view name);
  FakeOptionButton& OptionNamed(std::string_view name);
  FakeCommandButton& ButtonNamed(std::string_view name);
  FakeFileDialog& DialogNamed(std::string_view name);
  template <typename Control>
  Control& EmbeddedAs(std::string_view name) {
    return dynamic_cast<Control&>(GetEmbeddedControl(name));
  }
  const FormDesign& Design() const noexcept { return design_; }

  // The user's actions. Each raises its event as the real window would; a disabled or hidden
  // button ignores the press.
  void PressButton(std::string_view name);
  void ChooseMenu(std::string_view name);
  void SetStateByUser(WindowState state);
  // The system turning the window's screen off or on.
  void SetScreenOnByUser(bool on);
  void ResizeByUser(int outer_width_twips, int outer_height_twips);
  void CloseByUser() { Raise("Form", "Unload"); }
  // A key pressed while the window is active: one of the design's window keys raises its event.
  // Returns whether the key was one of them.
  bool PressKeyByUser(std::string_view key);
  void DoubleClickByUser(std::string_view text_box);

  // Every event raised into the window, in order.
  const std::vector<std::pair<std::string, std::string>>& EventLog() const noexcept {
    return event_log_;
  }

  // Runtime side.
  using FormWindowBase::AddEmbeddedControl;
  void Attach(FormEventSink& sink) { SetSink(&sink); }
  void Show();
  void StartDesignTimers();
  // Logs (source, event) and raises it through the dispatcher, unless the program has ended.
  // Hides FormWindowBase::Raise, so that every event of the fake is logged.
  void Raise(std::string_view source, std::string_view event);

 private:
  PixelSize OuterPixelSize() const override { return {outer_width_, outer_height_}; }
  void SetOuterPixelSize(PixelSize size) override {
    outer_width_ = size.width;
    outer_height_ = size.height;
  }
  double DpiX() const override { return kTwipsPerInch; }
  double DpiY() const override { return kTwipsPerInch; }
  static constexpr double kTwipsPerInch = 1440;

  FormDesign design_;
  FakeEventLoop& loop_;
  std::string caption_;
  WindowState state_ = WindowState::kNormal;
  int outer_width_;
  int outer_height_;
  std::vector<FakeOptionButton*> option_group_;
  std::vector<std::string> menu_commands_;
  std::vector<std::pair<std::string, std::string>> event_log_;
};

}  // namespace clickora::platform::fake
