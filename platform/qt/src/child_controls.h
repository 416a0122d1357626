#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/window.h"

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QString;

// The intrinsic controls of a Qt window over their widgets, which the window's surface owns.
namespace clickora::platform::qt {

class MaxLengthValidator;

// A line edit. MaxLength limits typing only; the program may set a longer text.
class QtTextBox final : public TextBox {
 public:
  // on_change sees every new text, typed or set.
  QtTextBox(QLineEdit* edit, std::function<void(const QString&)> on_change);
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void SetMaxLength(int characters) override;

 private:
  QLineEdit* edit_;
  MaxLengthValidator* validator_;
};

// Option buttons of one exclusive group, which is one stop of the Tab key.
class QtOptionButton final : public OptionButton {
 public:
  QtOptionButton(QRadioButton* button, QButtonGroup* group);
  bool Value() const override;
  void SetValue(bool selected) override;
  void SetEnabled(bool enabled) override;

 private:
  void UpdateFocusPolicy();
  QRadioButton* button_;
  QButtonGroup* group_;
};

// A push button that keeps its caption as given, '&' included.
class QtCommandButton final : public CommandButton {
 public:
  // on_change sees the caption and the enabled state after every change, on_tip_change the
  // tooltip's text.
  QtCommandButton(QPushButton* button, std::string caption,
                  std::function<void(const std::string&, bool)> on_change,
                  std::function<void(const std::string&)> on_tip_change = nullptr);
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  std::string ToolTipText() const override;
  void SetToolTipText(std::string_view text) override;

 private:
  void Changed();
  QPushButton* button_;
  std::string caption_;
  std::function<void(const std::string&, bool)> on_change_;
  std::function<void(const std::string&)> on_tip_change_;
};

}  // namespace clickora::platform::qt
