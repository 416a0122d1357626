#include "platform/forms/form_window_base.h"

#include <stdexcept>

#include "platform/forms/twips.h"

namespace clickora::platform::forms {

int FormWindowBase::OuterWidthTwips() const {
  return PixelsToTwips(OuterPixelSize().width, DpiX());
}

int FormWindowBase::OuterHeightTwips() const {
  return PixelsToTwips(OuterPixelSize().height, DpiY());
}

void FormWindowBase::SetOuterWidthTwips(int twips) {
  if (State() != WindowState::kNormal) return;
  SetOuterPixelSize({TwipsToPixels(twips, DpiX()), OuterPixelSize().height});
}

void FormWindowBase::SetOuterHeightTwips(int twips) {
  if (State() != WindowState::kNormal) return;
  SetOuterPixelSize({OuterPixelSize().width, TwipsToPixels(twips, DpiY())});
}

template <typename Control>
Control& FormWindowBase::Find(const Named<Control>& controls, std::string_view name,
                              std::string_view kind) {
  const auto found = controls.find(name);
  if (found != controls.end()) return *found->second;
  const std::string what = "the window has no " + std::string(kind) + " named " + std::string(name);
  events_.ReportUncaughtError(what);
  throw std::out_of_range(what);  // only reached when the program's end was not immediate
}

TextBox& FormWindowBase::GetTextBox(std::string_view name) {
  return Find(text_boxes_, name, "text box");
}

OptionButton& FormWindowBase::GetOptionButton(std::string_view name) {
  return Find(option_buttons_, name, "option button");
}

CommandButton& FormWindowBase::GetCommandButton(std::string_view name) {
  return Find(command_buttons_, name, "command button");
}

EmbeddedControl& FormWindowBase::GetEmbeddedControl(std::string_view name) {
  return Find(embedded_, name, "embedded control");
}

FileDialog& FormWindowBase::GetFileDialog(std::string_view name) {
  return Find(file_dialogs_, name, "file dialog");
}

IntervalTimer& FormWindowBase::GetTimer(std::string_view name) {
  return Find(timers_, name, "timer");
}

void FormWindowBase::AddTextBox(std::string name, std::unique_ptr<TextBox> box) {
  text_boxes_[std::move(name)] = std::move(box);
}

void FormWindowBase::AddOptionButton(std::string name, std::unique_ptr<OptionButton> button) {
  option_buttons_[std::move(name)] = std::move(button);
}

void FormWindowBase::AddCommandButton(std::string name, std::unique_ptr<CommandButton> button) {
  command_buttons_[std::move(name)] = std::move(button);
}

void FormWindowBase::AddEmbeddedControl(std::string name,
                                        std::unique_ptr<EmbeddedControl> control) {
  embedded_[std::move(name)] = std::move(control);
}

void FormWindowBase::AddFileDialog(std::string name, std::unique_ptr<FileDialog> dialog) {
  file_dialogs_[std::move(name)] = std::move(dialog);
}

void FormWindowBase::AddTimer(std::string name, std::unique_ptr<IntervalTimer> timer) {
  timers_[std::move(name)] = std::move(timer);
}

}  // namespace clickora::platform::forms
