#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/interval_timer.h"

namespace clickora::platform {

// Run-time access to a window created from its design data and to its controls. Every call comes
// from the window's UI thread. Controls are found by their design names; asking for a name the
// design does not hold, or for the wrong kind, is a programming error and ends the program.

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;  // not cut to MaxLength
  virtual void SetMaxLength(int characters) = 0;    // 0 = no limit on typing
};

class OptionButton {
 public:
  virtual ~OptionButton() = default;
  virtual bool Value() const = 0;
  // Selecting a button clears the others of its group.
  virtual void SetValue(bool selected) = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class CommandButton {
 public:
  virtual ~CommandButton() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // The tip shown while the pointer rests on the button; empty for none.
  virtual std::string ToolTipText() const = 0;
  virtual void SetToolTipText(std::string_view text) = 0;
};

using DispId = std::int32_t;
// The values a host puts into an embedded control: VT_R4 or VT_BOOL.
using DispValue = std::variant<float, bool>;

struct PutResult {
  bool ok = true;
  std::string error;  // what failed, for a message to the user
};

class EmbeddedControl {
 public:
  virtual ~EmbeddedControl() = default;
  virtual PutResult PutProperty(DispId id, const DispValue& value) = 0;
};

enum class DialogResult : std::uint8_t { kConfirmed, kCancelled, kFailed };

// The common file dialog component. Its settings persist between shows, FileName included.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  virtual void SetDialogTitle(std::string_view title) = 0;
  virtual void SetInitDir(std::string_view folder) = 0;
  virtual void SetDefaultExt(std::string_view extension) = 0;  // ".kpf"
  virtual void SetFilter(std::string_view filter) = 0;         // "description|pattern"
  virtual void SetFileName(std::string_view file_name) = 0;
  virtual std::string FileName() const = 0;
  // Open accepts only existing files; Save asks before replacing an existing file. On
  // kConfirmed FileName holds the chosen file's full path; otherwise it keeps its value.
  virtual DialogResult ShowOpen() = 0;
  virtual DialogResult ShowSave() = 0;
};

enum class WindowState : std::uint8_t { kNormal, kMinimized, kMaximized };

class Window {
 public:
  virtual ~Window() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual WindowState State() const = 0;
  virtual int OuterWidthTwips() const = 0;
  virtual int OuterHeightTwips() const = 0;
  virtual void SetOuterWidthTwips(int twips) = 0;
  virtual void SetOuterHeightTwips(int twips) = 0;
  // Whether the user can see the window: not while it is minimized, nor, where the platform
  // reports it, while its screen is off. A change of the screen raises ("Form", "Resize") as a
  // change of the window's state does.
  virtual bool CanBeSeen() const = 0;

  virtual TextBox& GetTextBox(std::string_view name) = 0;
  virtual OptionButton& GetOptionButton(std::string_view name) = 0;
  virtual CommandButton& GetCommandButton(std::string_view name) = 0;
  virtual EmbeddedControl& GetEmbeddedControl(std::string_view name) = 0;
  virtual FileDialog& GetFileDialog(std::string_view name) = 0;
  // The design's interval timers ("Timer10").
  virtual IntervalTimer& GetTimer(std::string_view name) = 0;
};

}  // namespace clickora::platform
