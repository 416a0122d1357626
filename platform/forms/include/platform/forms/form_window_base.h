#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/form_runtime.h"
#include "platform/forms/event_dispatcher.h"
#include "platform/program_services.h"
#include "platform/window.h"

namespace clickora::platform::forms {

// What every backend's window does the same way: the controls by design name, the outer size in
// twips over the backend's pixels, and the delivery of events through one EventDispatcher. A
// backend supplies the native frame: its caption, state, outer size in pixels and DPI.
class FormWindowBase : public Window {
 public:
  explicit FormWindowBase(ProgramServices& program) noexcept : events_(program) {}
  FormWindowBase(const FormWindowBase&) = delete;
  FormWindowBase& operator=(const FormWindowBase&) = delete;

  // The outer size includes the frame. A window that is not in its normal state (minimized,
  // maximized) keeps the size that the system gives it.
  int OuterWidthTwips() const final;
  int OuterHeightTwips() const final;
  void SetOuterWidthTwips(int twips) final;
  void SetOuterHeightTwips(int twips) final;
  bool CanBeSeen() const final { return screen_on_ && State() != WindowState::kMinimized; }

  // A name that the window does not have is an error of the program: reported like any error no
  // event procedure caught, which ends the program, then thrown as std::out_of_range.
  TextBox& GetTextBox(std::string_view name) final;
  OptionButton& GetOptionButton(std::string_view name) final;
  CommandButton& GetCommandButton(std::string_view name) final;
  EmbeddedControl& GetEmbeddedControl(std::string_view name) final;
  FileDialog& GetFileDialog(std::string_view name) final;
  IntervalTimer& GetTimer(std::string_view name) final;

  // Events go to sink from now on; before, and with null, they are dropped.
  void SetSink(FormEventSink* sink) noexcept { events_.SetSink(sink); }
  // Raises an event of the window or of one of its controls (EventDispatcher's policy).
  void Raise(std::string_view source, std::string_view event) noexcept {
    events_.Raise(source, event);
  }

 protected:
  struct PixelSize {
    int width = 0;
    int height = 0;
  };
  virtual PixelSize OuterPixelSize() const = 0;
  // Called for a window in its normal state only.
  virtual void SetOuterPixelSize(PixelSize size) = 0;
  virtual double DpiX() const = 0;
  virtual double DpiY() const = 0;

  void AddTextBox(std::string name, std::unique_ptr<TextBox> box);
  void AddOptionButton(std::string name, std::unique_ptr<OptionButton> button);
  void AddCommandButton(std::string name, std::unique_ptr<CommandButton> button);
  void AddEmbeddedControl(std::string name, std::unique_ptr<EmbeddedControl> control);
  void AddFileDialog(std::string name, std::unique_ptr<FileDialog> dialog);
  void AddTimer(std::string name, std::unique_ptr<IntervalTimer> timer);
  // The design's timers go before the window does: their ticks call into it.
  void ClearTimers() noexcept { timers_.clear(); }
  // The platform reports the window's screen on or off; true when that changed (the backend then
  // raises Resize).
  bool SetScreenOn(bool on) noexcept {
    const bool changed = on != screen_on_;
    screen_on_ = on;
    return changed;
  }
  // Embedded controls go before the window does: their events and timers call into it.
  void ClearEmbeddedControls() noexcept { embedded_.clear(); }
  EventDispatcher& Events() noexcept { return events_; }

 private:
  template <typename Control>
  using Named = std::map<std::string, std::unique_ptr<Control>, std::less<>>;
  template <typename Control>
  Control& Find(const Named<Control>& controls, std::string_view name, std::string_view kind);

  EventDispatcher events_;
  Named<TextBox> text_boxes_;
  Named<OptionButton> option_buttons_;
  Named<CommandButton> command_buttons_;
  Named<EmbeddedControl> embedded_;
  Named<FileDialog> file_dialogs_;
  Named<IntervalTimer> timers_;
  bool screen_on_ = true;
};

}  // namespace clickora::platform::forms
