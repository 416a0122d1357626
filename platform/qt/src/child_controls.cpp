#include "child_controls.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>
#include <algorithm>
#include <limits>

#include "qt_conversions.h"

namespace clickora::platform::qt {

// Typed characters are limited here rather than by QLineEdit's own limit, which would also cut
// texts the program sets. A text already longer than the limit (set by the program) may be
// edited but not lengthened; a paste is cut to what still fits, as if typed key by key.
class MaxLengthValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  int limit = 0;
  qsizetype accepted_length = 0;  // length of the text before the edit being validated
  bool bypass = false;            // the program is setting the text

  State validate(QString& input, int& pos) const override {
    if (bypass || limit <= 0) return Acceptable;
    const qsizetype allowed = std::max<qsizetype>(limit, accepted_length);
    if (input.size() <= allowed) return Acceptable;
    // The inserted characters end at the cursor; the ones beyond the limit are dropped.
    const qsizetype excess = input.size() - allowed;
    if (excess > pos) return Invalid;
    input.remove(pos - excess, excess);
    pos -= static_cast<int>(excess);
    return Acceptable;
  }
};

QtTextBox::QtTextBox(QLineEdit* edit, std::function<void(const QString&)> on_change) : edit_(edit) {
  // NOTE: QLineEdit cuts every text to its maxLength, 32767 characters unless set, the texts set
  // by the program included; a settings file's long field would come back cut and be saved so.
  // Its own limit is lifted, and the validator alone limits typing.
  edit->setMaxLength(std::numeric_limits<int>::max());
  validator_ = new MaxLengthValidator(edit);
  validator_->accepted_length = edit->text().size();
  edit->setValidator(validator_);
  QObject::connect(edit, &QLineEdit::textChanged, edit,
                   [this, on_change = std::move(on_change)](const QString& text) {
                     validator_->accepted_length = text.size();
                     if (on_change) on_change(text);
                   });
}

std::string QtTextBox::Text() const {
  return edit_->text().toStdString();
}

void QtTextBox::SetText(std::string_view text) {
  const QString value = ToQString(text);
  // The same text again leaves the caret and the selection alone (the read-out rewrites its
  // fields many times a second).
  if (value == edit_->text()) return;
  validator_->bypass = true;
  edit_->setText(value);
  validator_->bypass = false;
  edit_->setCursorPosition(0);
}

void QtTextBox::SetMaxLength(int characters) {
  validator_->limit = std::max(0, characters);
}

QtOptionButton::QtOptionButton(QRadioButton* button, QButtonGroup* group)
    : button_(button), group_(group) {
  QObject::connect(button, &QRadioButton::toggled, button, [this] { UpdateFocusPolicy(); });
  UpdateFocusPolicy();
}

bool QtOptionButton::Value() const {
  return button_->isChecked();
}

void QtOptionButton::SetValue(bool selected) {
  if (selected || !button_->isChecked()) {
    button_->setChecked(selected);
    return;
  }
  // An exclusive group keeps its checked button checked; the program may clear it all the same.
  group_->setExclusive(false);
  button_->setChecked(false);
  group_->setExclusive(true);
}

void QtOptionButton::SetEnabled(bool enabled) {
  button_->setEnabled(enabled);
}

// The group is one stop of the Tab key: only its selected button takes the focus by Tab.
void QtOptionButton::UpdateFocusPolicy() {
  button_->setFocusPolicy(button_->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

QtCommandButton::QtCommandButton(QPushButton* button, std::string caption,
                                 std::function<void(const std::string&, bool)> on_change,
                                 std::function<void(const std::string&)> on_tip_change)
    : button_(button),
      caption_(std::move(caption)),
      on_change_(std::move(on_change)),
      on_tip_change_(std::move(on_tip_change)) {
  button_->setText(PlainCaption(caption_));
  Changed();
}

void QtCommandButton::SetCaption(std::string_view caption) {
  caption_ = caption;
  button_->setText(PlainCaption(caption_));
  Changed();
}

bool QtCommandButton::Enabled() const {
  return button_->isEnabled();
}

void QtCommandButton::SetEnabled(bool enabled) {
  button_->setEnabled(enabled);
  Changed();
}

void QtCommandButton::Changed() {
  if (on_change_) on_change_(caption_, button_->isEnabled());
}

}  // namespace clickora::platform::qt

namespace clickora::platform::qt {

std::string QtCommandButton::ToolTipText() const {
  return button_->toolTip().toStdString();
}

void QtCommandButton::SetToolTipText(std::string_view text) {
  button_->setToolTip(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (on_tip_change_) on_tip_change_(std::string(text));
}

}  // namespace clickora::platform::qt
