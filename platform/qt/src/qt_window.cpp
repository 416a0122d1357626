#include "qt_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QValidator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <vector>

#include "qt_conversions.h"
#include "qt_program_services.h"

namespace clickora::platform::qt {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont MakeFont(const std::optional<FontDesign>& design) {
  QFont font;
  if (!design) return font;
  font.setFamily(QString::fromStdString(design->face));
  font.setPointSizeF(design->points);
  font.setBold(design->bold);
  // A missing face falls back to a sans-serif one rather than to whatever the system matches
  // first; Thai text takes a font with Thai glyphs through the toolkit's script fallback.
  font.setStyleHint(QFont::SansSerif);
  return font;
}

// The design's colour in the palette's terms; nullopt keeps the widget's default.
std::optional<QColor> Resolve(const ColourDesign& colour, const QPalette& palette) {
  switch (colour.kind) {
    case ColourDesign::Kind::kRgb:
      return QColor(colour.red, colour.green, colour.blue);
    case ColourDesign::Kind::kHighlightText:
      return palette.color(QPalette::HighlightedText);
    case ColourDesign::Kind::kDefault:
      break;
  }
  return std::nullopt;
}

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

}  // namespace

class FormMainWindow final : public QMainWindow {
 public:
  std::function<void()> on_resize;  // the size or the window state changed
  std::function<void()> on_close;   // the user closes the window

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QMainWindow::resizeEvent(event);
    if (on_resize) on_resize();
  }
  void changeEvent(QEvent* event) override {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && on_resize) on_resize();
  }
  void closeEvent(QCloseEvent* event) override {
    if (on_close) on_close();
    event->accept();  // the program did not end itself: the window closes, and the loop ends
  }
};

namespace {

// The design surface: the background picture, unscaled at the top-left corner, and the labels
// over it in back-to-front order. Every other control is a child widget, and so lies above all
// labels.
class FormSurface final : public QWidget {
 public:
  struct Label {
    QRect rect;
    QString text;
    QFont font;
    QColor fore;
    std::optional<QColor> back;  // nullopt: transparent
  };

  using QWidget::QWidget;
  QPixmap background;
  std::vector<Label> labels;  // back to front

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(0, 0, background);
    for (const Label& label : labels) {
      painter.setClipRect(label.rect);
      if (label.back) painter.fillRect(label.rect, *label.back);
      painter.setFont(label.font);
      painter.setPen(label.fore);
      painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label.text);
    }
  }
};

}  // namespace

class QtTextBox final : public TextBox {
 public:
  QtTextBox(QLineEdit* edit, std::function<void(const QString&)> on_change) : edit_(edit) {
    validator_ = new MaxLengthValidator(edit);
    validator_->accepted_length = edit->text().size();
    edit->setValidator(validator_);
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [this, on_change = std::move(on_change)](const QString& text) {
                       validator_->accepted_length = text.size();
                       if (on_change) on_change(text);
                     });
  }
  std::string Text() const override { return edit_->text().toStdString(); }
  void SetText(std::string_view text) override {
    const QString value = ToQString(text);
    // The same text again leaves the caret and the selection alone (the read-out rewrites its
    // fields many times a second).
    if (value == edit_->text()) return;
    validator_->bypass = true;
    edit_->setText(value);
    validator_->bypass = false;
    edit_->setCursorPosition(0);
  }
  void SetMaxLength(int characters) override { validator_->limit = std::max(0, characters); }

 private:
  QLineEdit* edit_;
  MaxLengthValidator* validator_;
};

class QtOptionButton final : public OptionButton {
 public:
  QtOptionButton(QRadioButton* button, QButtonGroup* group) : button_(button), group_(group) {
    QObject::connect(button, &QRadioButton::toggled, button, [this] { UpdateFocusPolicy(); });
    UpdateFocusPolicy();
  }
  bool Value() const override { return button_->isChecked(); }
  void SetValue(bool selected) override {
    if (selected || !button_->isChecked()) {
      button_->setChecked(selected);
      return;
    }
    // An exclusive group keeps its checked button checked; the program may clear it all the same.
    group_->setExclusive(false);
    button_->setChecked(false);
    group_->setExclusive(true);
  }
  void SetEnabled(bool enabled) override { button_->setEnabled(enabled); }

 private:
  // The group is one stop of the Tab key: only its selected button takes the focus by Tab.
  void UpdateFocusPolicy() {
    button_->setFocusPolicy(button_->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  }
  QRadioButton* button_;
  QButtonGroup* group_;
};

class QtCommandButton final : public CommandButton {
 public:
  QtCommandButton(QPushButton* button, std::string caption,
                  std::function<void(const std::string&, bool)> on_change)
      : button_(button), caption_(std::move(caption)), on_change_(std::move(on_change)) {
    button_->setText(PlainCaption(caption_));
    Changed();
  }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override {
    caption_ = caption;
    button_->setText(PlainCaption(caption_));
    Changed();
  }
  bool Enabled() const override { return button_->isEnabled(); }
  void SetEnabled(bool enabled) override {
    button_->setEnabled(enabled);
    Changed();
  }

 private:
  void Changed() {
    if (on_change_) on_change_(caption_, button_->isEnabled());
  }
  QPushButton* button_;
  std::string caption_;
  std::function<void(const std::string&, bool)> on_change_;
};

class QtFileDialog final : public FileDialog {
 public:
  explicit QtFileDialog(QWidget* parent) : parent_(parent) {}
  void SetDialogTitle(std::string_view title) override { title_ = ToQString(title); }
  void SetInitDir(std::string_view folder) override { init_dir_ = ToQString(folder); }
  void SetDefaultExt(std::string_view extension) override { default_ext_ = ToQString(extension); }
  void SetFilter(std::string_view filter) override { filters_ = DialogNameFilters(filter); }
  void SetFileName(std::string_view file_name) override { file_name_ = std::string(file_name); }
  std::string FileName() const override { return file_name_; }
  DialogResult ShowOpen() override { return Show(QFileDialog::AcceptOpen); }
  DialogResult ShowSave() override { return Show(QFileDialog::AcceptSave); }

 private:
  DialogResult Show(QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent_, title_, init_dir_);
    dialog.setAcceptMode(mode);
    // Open takes existing files only; Save asks before replacing one (the dialog's default).
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!filters_.isEmpty()) dialog.setNameFilters(filters_);
    dialog.setDefaultSuffix(default_ext_);  // the toolkit drops the leading dot
    const QString name = QString::fromStdString(file_name_);
    // A name with wildcards is a filter, not a file to propose.
    if (!name.isEmpty() && !name.contains(u'*') && !name.contains(u'?')) dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted) return DialogResult::kCancelled;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return DialogResult::kFailed;
    file_name_ = chosen.first().toStdString();
    return DialogResult::kConfirmed;
  }

  QWidget* parent_;
  QString title_;
  QString init_dir_;
  QString default_ext_;
  QStringList filters_;
  std::string file_name_;
};

QtWindow::QtWindow(const FormDesign& design, QtProgramServices& program, TimerService& timers,
                   ControlLibraries& controls, const AssetLoader& assets, std::string& error)
    : program_(program),
      design_(design),
      main_window_(std::make_unique<FormMainWindow>()),
      dump_(FieldDump::FromEnvironment()) {
  FormMainWindow& window = *main_window_;
  // The ordinary frame with title, system menu, minimize and close; no maximize, since the
  // window keeps one size.
  window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window.setWindowTitle(ToQString(design.caption));
  if (!design.icon.empty()) window.setWindowIcon(QIcon(assets(design.icon)));
  if (dump_) dump_->Set("Form.Caption", design.caption);

  auto* surface = new FormSurface(&window);
  surface->background = assets(design.background_picture);
  window.setCentralWidget(surface);
  const double dpi_x = DpiX(), dpi_y = DpiY();
  auto place = [dpi_x, dpi_y](const ControlDesign& control) {
    const int left = TwipsToPixels(control.left, dpi_x);
    const int top = TwipsToPixels(control.top, dpi_y);
    return QRect(left, top, TwipsToPixels(control.left + control.width, dpi_x) - left,
                 TwipsToPixels(control.top + control.height, dpi_y) - top);
  };

  auto* option_group = new QButtonGroup(surface);
  option_group->setExclusive(true);
  std::map<std::string, QWidget*, std::less<>> focusable;
  // Back to front: a widget created later lies above the ones before it.
  for (auto it = design.controls.rbegin(); it != design.controls.rend(); ++it) {
    const ControlDesign& control = *it;
    const QString text = ToQString(control.text);
    QWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::kLabel: {
        FormSurface::Label label{place(control), text, MakeFont(control.font),
                                 surface->palette().color(QPalette::WindowText), std::nullopt};
        if (auto fore = Resolve(control.fore_colour, surface->palette())) label.fore = *fore;
        if (!control.transparent) {
          label.back = Resolve(control.back_colour, surface->palette())
                           .value_or(surface->palette().color(QPalette::Window));
        }
        if (control.visible) surface->labels.push_back(std::move(label));
        continue;
      }
      case ControlKind::kTextBox: {
        auto* edit = new QLineEdit(text, surface);
        QPalette palette = edit->palette();
        if (auto back = Resolve(control.back_colour, palette)) {
          palette.setColor(QPalette::Base, *back);
        }
        if (auto fore = Resolve(control.fore_colour, palette)) {
          palette.setColor(QPalette::Text, *fore);
        }
        edit->setPalette(palette);
        edit->setCursorPosition(0);
        auto box =
            std::make_unique<QtTextBox>(edit, [this, name = control.name](const QString& value) {
              if (dump_) dump_->Set(name, value.toStdString());
            });
        box->SetMaxLength(control.max_length);
        if (dump_) dump_->Set(control.name, control.text);
        text_boxes_.emplace(control.name, std::move(box));
        widget = edit;
        break;
      }
      case ControlKind::kOptionButton: {
        auto* button = new QRadioButton(PlainCaption(control.text), surface);
        option_group->addButton(button);
        QPalette palette = button->palette();
        if (auto back = Resolve(control.back_colour, palette)) {
          palette.setColor(QPalette::Window, *back);
          palette.setColor(QPalette::Button, *back);
          button->setBackgroundRole(QPalette::Window);
          button->setAutoFillBackground(true);
        }
        if (auto fore = Resolve(control.fore_colour, palette)) {
          palette.setColor(QPalette::WindowText, *fore);
        }
        button->setPalette(palette);
        QObject::connect(button, &QRadioButton::clicked, button,
                         [this, name = control.name] { Raise(name, "Click"); });
        option_buttons_.emplace(control.name,
                                std::make_unique<QtOptionButton>(button, option_group));
        widget = button;
        break;
      }
      case ControlKind::kCommandButton: {
        auto* button = new QPushButton(surface);
        // Enter, like Space, presses the button that has the focus.
        button->setAutoDefault(true);
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, name = control.name] { Raise(name, "Click"); });
        command_buttons_.emplace(
            control.name,
            std::make_unique<QtCommandButton>(
                button, control.text,
                [this, name = control.name](const std::string& caption, bool enabled) {
                  if (!dump_) return;
                  dump_->Set(name + ".Caption", caption);
                  dump_->Set(name + ".Enabled", enabled ? "True" : "False");
                }));
        widget = button;
        break;
      }
    }
    widget->setObjectName(QString::fromStdString(control.name));
    widget->setGeometry(place(control));
    if (control.font) widget->setFont(MakeFont(control.font));
    widget->setEnabled(control.enabled);
    widget->setVisible(control.visible);
    focusable.emplace(control.name, widget);
  }

  QWidget* previous = nullptr;
  for (const std::string& name : design.tab_order) {
    const auto found = focusable.find(name);
    if (found == focusable.end()) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, found->second);
    previous = found->second;
  }

  std::function<void(QMenu*, const MenuItemDesign&)> add_item = [&](QMenu* menu,
                                                                    const MenuItemDesign& item) {
    if (item.items.empty()) {
      QAction* action = menu != nullptr ? menu->addAction(PlainCaption(item.caption))
                                        : window.menuBar()->addAction(PlainCaption(item.caption));
      QObject::connect(action, &QAction::triggered, &window,
                       [this, name = item.name] { Raise(name, "Click"); });
      return;
    }
    QMenu* drop_down = menu != nullptr ? menu->addMenu(PlainCaption(item.caption))
                                       : window.menuBar()->addMenu(PlainCaption(item.caption));
    for (const MenuItemDesign& entry : item.items) add_item(drop_down, entry);
  };
  for (const MenuItemDesign& menu : design.menus) add_item(nullptr, menu);

  for (const TimerDesign& timer : design.timers) {
    auto created = timers.CreateTimer([this, name = timer.name] { Raise(name, "Timer"); });
    created->SetInterval(timer.interval_ms);
    timers_.emplace(timer.name, std::move(created));
  }
  for (const std::string& name : design.file_dialogs) {
    file_dialogs_.emplace(name, std::make_unique<QtFileDialog>(&window));
  }
  for (const EmbeddedControlDesign& embedded : design.embedded_controls) {
    auto control = controls.Create(
        embedded.class_name, embedded.saved_properties,
        [this, name = embedded.name](std::string_view event) { Raise(name, event); }, error);
    if (!control) return;
    embedded_.emplace(embedded.name, std::move(control));
  }

  window.on_resize = [this] { Raise("Form", "Resize"); };
  window.on_close = [this] { Raise("Form", "Unload"); };
  program_.SetMainWindow(&window);
}

QtWindow::~QtWindow() {
  main_window_->on_resize = nullptr;
  main_window_->on_close = nullptr;
  sink_ = nullptr;
  embedded_.clear();
  timers_.clear();
}

double QtWindow::DpiX() const {
  return main_window_->screen()->logicalDotsPerInchX();
}
double QtWindow::DpiY() const {
  return main_window_->screen()->logicalDotsPerInchY();
}

std::string QtWindow::Caption() const {
  return main_window_->windowTitle().toStdString();
}

void QtWindow::SetCaption(std::string_view caption) {
  main_window_->setWindowTitle(ToQString(caption));
  if (dump_) dump_->Set("Form.Caption", caption);
}

WindowState QtWindow::State() const {
  const Qt::WindowStates state = main_window_->windowState();
  if (state & Qt::WindowMinimized) return WindowState::kMinimized;
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return WindowState::kMaximized;
  return WindowState::kNormal;
}

int QtWindow::OuterWidthTwips() const {
  return PixelsToTwips(main_window_->frameGeometry().width(), DpiX());
}

int QtWindow::OuterHeightTwips() const {
  return PixelsToTwips(main_window_->frameGeometry().height(), DpiY());
}

// The outer size includes the frame that the window manager adds (none without one).
// NOTE: a maximized window keeps the size the window manager gives it; the program's size rule
// only ever sets the size of a normal window.
void QtWindow::SetOuterWidthTwips(int twips) {
  if (State() != WindowState::kNormal) return;
  const int frame = main_window_->frameGeometry().width() - main_window_->width();
  main_window_->resize(std::max(1, TwipsToPixels(twips, DpiX()) - frame), main_window_->height());
}

void QtWindow::SetOuterHeightTwips(int twips) {
  if (State() != WindowState::kNormal) return;
  const int frame = main_window_->frameGeometry().height() - main_window_->height();
  main_window_->resize(main_window_->width(), std::max(1, TwipsToPixels(twips, DpiY()) - frame));
}

void QtWindow::NoSuchControl(std::string_view name, const char* kind) const {
  std::fprintf(stderr, "frmMousePos: the window %s has no %s named %.*s\n", design_.name.c_str(),
               kind, static_cast<int>(name.size()), name.data());
  std::abort();
}

TextBox& QtWindow::GetTextBox(std::string_view name) {
  const auto found = text_boxes_.find(name);
  if (found == text_boxes_.end()) NoSuchControl(name, "text box");
  return *found->second;
}

OptionButton& QtWindow::GetOptionButton(std::string_view name) {
  const auto found = option_buttons_.find(name);
  if (found == option_buttons_.end()) NoSuchControl(name, "option button");
  return *found->second;
}

CommandButton& QtWindow::GetCommandButton(std::string_view name) {
  const auto found = command_buttons_.find(name);
  if (found == command_buttons_.end()) NoSuchControl(name, "command button");
  return *found->second;
}

EmbeddedControl& QtWindow::GetEmbeddedControl(std::string_view name) {
  const auto found = embedded_.find(name);
  if (found == embedded_.end()) NoSuchControl(name, "embedded control");
  return *found->second;
}

FileDialog& QtWindow::GetFileDialog(std::string_view name) {
  const auto found = file_dialogs_.find(name);
  if (found == file_dialogs_.end()) NoSuchControl(name, "file dialog");
  return *found->second;
}

void QtWindow::Raise(std::string_view source, std::string_view event) {
  if (sink_ == nullptr) return;
  const bool resize = source == "Form" && event == "Resize";
  if (resize && in_resize_) {
    resize_pending_ = true;
    return;
  }
  auto deliver = [&] {
    try {
      sink_->OnFormEvent(source, event);
    } catch (const std::exception& failure) {
      program_.ShowMessage(std::string("The program failed and ends: ") + failure.what());
      program_.EndProgram(1);
    } catch (...) {
      program_.ShowMessage("The program failed and ends.");
      program_.EndProgram(1);
    }
  };
  if (!resize) {
    deliver();
    return;
  }
  in_resize_ = true;
  deliver();
  // The handler's own size change came back as a resize: handle the new size once, outside it.
  if (resize_pending_) {
    resize_pending_ = false;
    deliver();
  }
  resize_pending_ = false;
  in_resize_ = false;
}

void QtWindow::StartTimers() {
  for (const TimerDesign& timer : design_.timers) {
    if (timer.enabled) timers_.at(timer.name)->SetEnabled(true);
  }
}

void QtWindow::Show() {
  FormMainWindow& window = *main_window_;
  // The design places the client area, below the menu bar, at its point on the screen.
  const int menu_height = window.menuBar()->sizeHint().height();
  const int left = TwipsToPixels(design_.left, DpiX());
  const int top = TwipsToPixels(design_.top, DpiY());
  window.setGeometry(left, top - menu_height, TwipsToPixels(design_.client_width, DpiX()),
                     TwipsToPixels(design_.client_height, DpiY()) + menu_height);
  window.show();
  window.activateWindow();
  const QString focus = QString::fromStdString(design_.initial_focus);
  auto* widget = focus.isEmpty() ? nullptr : window.centralWidget()->findChild<QWidget*>(focus);
  if (widget != nullptr) {
    widget->setFocus(Qt::OtherFocusReason);
  }
}

QWidget& QtWindow::widget() {
  return *main_window_;
}

}  // namespace clickora::platform::qt
