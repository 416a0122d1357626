#pragma once

#include <QPixmap>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "control_library.h"
#include "field_dump.h"
#include "platform/form_design.h"
#include "platform/form_runtime.h"
#include "platform/window.h"

class QWidget;

namespace clickora::platform::qt {

class FormMainWindow;
class QtProgramServices;
class QtTextBox;
class QtOptionButton;
class QtCommandButton;
class QtFileDialog;

// Loads an asset of the program (the background picture, the icon) by its design name.
using AssetLoader = std::function<QPixmap(std::string_view name)>;

// A window created from its design data: a main window with the design's menus, whose central
// surface paints the background picture and the labels and holds the other controls as widgets
// at their designed places.
class QtWindow final : public Window {
 public:
  // Builds the window hidden; on failure (an embedded control that cannot be created) error
  // says why and the window must not be used.
  QtWindow(const FormDesign& design, QtProgramServices& program, TimerService& timers,
           ControlLibraries& controls, const AssetLoader& assets, std::string& error);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  std::string Caption() const override;
  void SetCaption(std::string_view caption) override;
  WindowState State() const override;
  int OuterWidthTwips() const override;
  int OuterHeightTwips() const override;
  void SetOuterWidthTwips(int twips) override;
  void SetOuterHeightTwips(int twips) override;

  TextBox& GetTextBox(std::string_view name) override;
  OptionButton& GetOptionButton(std::string_view name) override;
  CommandButton& GetCommandButton(std::string_view name) override;
  EmbeddedControl& GetEmbeddedControl(std::string_view name) override;
  FileDialog& GetFileDialog(std::string_view name) override;

  // Events go to sink from now on; before, they are dropped.
  void SetSink(FormEventSink* sink) { sink_ = sink; }
  // Raises an event of the window or of one of its controls into the sink. A Resize raised while
  // one is being handled (the handler setting the size) is handled once more after it, not
  // inside it; an error that escapes the handler is reported and ends the program.
  void Raise(std::string_view source, std::string_view event);

  // Starts the design's enabled timers, then shows the window with its client area at the
  // designed place and the focus on the designed control.
  void StartTimers();
  void Show();

  QWidget& widget();

 private:
  double DpiX() const;
  double DpiY() const;
  [[noreturn]] void NoSuchControl(std::string_view name, const char* kind) const;

  QtProgramServices& program_;
  FormDesign design_;
  std::unique_ptr<FormMainWindow> main_window_;
  std::unique_ptr<FieldDump> dump_;
  std::map<std::string, std::unique_ptr<QtTextBox>, std::less<>> text_boxes_;
  std::map<std::string, std::unique_ptr<QtOptionButton>, std::less<>> option_buttons_;
  std::map<std::string, std::unique_ptr<QtCommandButton>, std::less<>> command_buttons_;
  std::map<std::string, std::unique_ptr<QtFileDialog>, std::less<>> file_dialogs_;
  std::map<std::string, std::unique_ptr<IntervalTimer>, std::less<>> timers_;
  std::map<std::string, std::unique_ptr<EmbeddedControl>, std::less<>> embedded_;
  FormEventSink* sink_ = nullptr;
  bool in_resize_ = false;
  bool resize_pending_ = false;
};

}  // namespace clickora::platform::qt
