#include "qt_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMargins>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <optional>
#include <vector>

#include "child_controls.h"
#include "file_dialog.h"
#include "form_surface.h"
#include "qt_conversions.h"
#include "qt_program_services.h"
#include "shown_state.h"
#include "x11_frame_extents.h"

namespace clickora::platform::qt {
namespace {

// A text of the window, for the installed observer (test support).
void Tell(std::string_view name, std::string_view text) {
  if (ShownStateObserver* observer = InstalledShownStateObserver(); observer != nullptr) {
    observer->WindowText(name, text);
  }
}

const char* TrueFalse(bool value) {
  return value ? "True" : "False";
}

}  // namespace

// Test support: what the toolkit changes by itself, told to the installed observer: a control
// enabled or disabled, an option selected, the focus, and where the client area lies on the
// screen ("Form.Client", the surface's top left, which moves with the window).
class StateTeller final : public QObject {
 public:
  StateTeller(QWidget* window, QWidget* surface) : QObject(window), surface_(surface) {
    window->installEventFilter(this);
    QObject::connect(qApp, &QApplication::focusChanged, this, [](QWidget*, QWidget* now) {
      Tell("Focus", now != nullptr ? now->objectName().toStdString() : std::string());
    });
  }

  void Watch(QWidget* control) {
    const std::string name = control->objectName().toStdString();
    const QRect place = control->geometry();
    Tell(name + ".Rect", std::to_string(place.x()) + "," + std::to_string(place.y()) + "," +
                             std::to_string(place.width()) + "," + std::to_string(place.height()));
    Tell(name + ".Visible", TrueFalse(!control->isHidden()));
    Tell(name + ".Enabled", TrueFalse(control->isEnabled()));
    control->installEventFilter(this);
    if (auto* option = qobject_cast<QRadioButton*>(control)) {
      Tell(name, option->text().toStdString());
      Tell(name + ".Value", TrueFalse(option->isChecked()));
      QObject::connect(option, &QRadioButton::toggled, this,
                       [name](bool checked) { Tell(name + ".Value", TrueFalse(checked)); });
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::EnabledChange:
        if (auto* control = qobject_cast<QWidget*>(watched); control != surface_->window()) {
          Tell(control->objectName().toStdString() + ".Enabled", TrueFalse(control->isEnabled()));
        }
        break;
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::WindowStateChange:
        if (watched == surface_->window()) {
          const QPoint client = surface_->mapToGlobal(QPoint(0, 0));
          Tell("Form.Client", std::to_string(client.x()) + "," + std::to_string(client.y()));
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget* surface_;
};

class FormMainWindow final : public QMainWindow {
 public:
  std::function<void()> on_resize;  // the size or the window state changed
  std::function<void()> on_sized;   // a new size has come (before on_resize)
  std::function<void()> on_close;   // the user closes the window

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QMainWindow::resizeEvent(event);
    if (on_sized) on_sized();
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

// Raises DblClick for a double-click on a text box; the box still selects the word.
class DoubleClickWatch final : public QObject {
 public:
  DoubleClickWatch(QObject* box, std::function<void()> on_double_click)
      : QObject(box), on_double_click_(std::move(on_double_click)) {
    box->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) on_double_click_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> on_double_click_;
};

QtWindow::QtWindow(const FormDesign& design, QtProgramServices& program, TimerService& timers,
                   ControlLibraries& controls, const AssetLoader& assets, std::string& error)
    : FormWindowBase(program),
      program_(program),
      design_(design),
      main_window_(std::make_unique<FormMainWindow>()) {
  CreateFrame(assets);
  CreateControls();
  CreateMenus();
  CreateWindowKeys();
  CreateTimers(timers);
  if (!CreateEmbeddedControls(controls, error)) return;
  main_window_->on_sized = [this] {
    requested_client_.reset();
    CloseSizeHints();
  };
  main_window_->on_resize = [this] { Raise("Form", "Resize"); };
  main_window_->on_close = [this] { Raise("Form", "Unload"); };
  // A frame that comes or changes makes the outer size another: the window is resized as much
  // as when the user drags a border.
  frame_ = std::make_unique<X11FrameExtents>(*main_window_, [this] { Raise("Form", "Resize"); });
  program_.SetMainWindow(main_window_.get());
}

QtWindow::~QtWindow() {
  frame_.reset();
  main_window_->on_resize = nullptr;
  main_window_->on_sized = nullptr;
  main_window_->on_close = nullptr;
  SetSink(nullptr);
  ClearEmbeddedControls();
  ClearTimers();
}

void QtWindow::CreateFrame(const AssetLoader& assets) {
  FormMainWindow& window = *main_window_;
  // The ordinary frame with title, system menu, minimize and close; no maximize, since the
  // window keeps one size.
  window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window.setWindowTitle(ToQString(design_.caption));
  if (!design_.icon.empty()) window.setWindowIcon(QIcon(assets(design_.icon)));
  Tell("Form.Caption", design_.caption);
  surface_ = new FormSurface(&window);
  surface_->background = assets(design_.background_picture);
  window.setCentralWidget(surface_);
  if (InstalledShownStateObserver() != nullptr) state_teller_ = new StateTeller(&window, surface_);
}

QRect QtWindow::Place(const ControlDesign& control) const {
  const forms::PixelRect place = forms::TwipsRectToPixels(control.left, control.top, control.width,
                                                          control.height, DpiX(), DpiY());
  return QRect(place.left, place.top, place.width, place.height);
}

void QtWindow::CreateControls() {
  auto* option_group = new QButtonGroup(surface_);
  option_group->setExclusive(true);
  std::map<std::string, QWidget*, std::less<>> focusable;
  // Back to front: a widget created later lies above the ones before it.
  for (auto it = design_.controls.rbegin(); it != design_.controls.rend(); ++it) {
    const ControlDesign& control = *it;
    QWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::kLabel:
        if (control.visible) surface_->labels.push_back(surface_->LabelOf(control, Place(control)));
        continue;
      case ControlKind::kTextBox:
        widget = CreateTextBox(control);
        break;
      case ControlKind::kOptionButton:
        widget = CreateOptionButton(control, option_group);
        break;
      case ControlKind::kCommandButton:
        widget = CreateCommandButton(control);
        break;
    }
    widget->setObjectName(QString::fromStdString(control.name));
    widget->setGeometry(Place(control));
    if (control.font) widget->setFont(MakeFont(control.font));
    widget->setEnabled(control.enabled);
    widget->setVisible(control.visible);
    if (state_teller_ != nullptr) state_teller_->Watch(widget);
    focusable.emplace(control.name, widget);
  }

  QWidget* previous = nullptr;
  for (const std::string& name : design_.tab_order) {
    const auto found = focusable.find(name);
    if (found == focusable.end()) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, found->second);
    previous = found->second;
  }
}

QWidget* QtWindow::CreateTextBox(const ControlDesign& control) {
  auto* edit = new QLineEdit(ToQString(control.text), surface_);
  QPalette palette = edit->palette();
  if (auto back = Resolve(control.back_colour, palette)) palette.setColor(QPalette::Base, *back);
  if (auto fore = Resolve(control.fore_colour, palette)) palette.setColor(QPalette::Text, *fore);
  edit->setPalette(palette);
  edit->setCursorPosition(0);
  if (!control.tool_tip.empty()) {
    edit->setToolTip(ToQString(control.tool_tip));
    Tell(control.name + ".ToolTip", control.tool_tip);
  }
  new DoubleClickWatch(edit, [this, name = control.name] { Raise(name, "DblClick"); });
  auto box = std::make_unique<QtTextBox>(
      edit, [name = control.name](const QString& value) { Tell(name, value.toStdString()); });
  box->SetMaxLength(control.max_length);
  Tell(control.name, control.text);
  AddTextBox(control.name, std::move(box));
  return edit;
}

QWidget* QtWindow::CreateOptionButton(const ControlDesign& control, QButtonGroup* group) {
  auto* button = new QRadioButton(PlainCaption(control.text), surface_);
  group->addButton(button);
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
  AddOptionButton(control.name, std::make_unique<QtOptionButton>(button, group));
  return button;
}

QWidget* QtWindow::CreateCommandButton(const ControlDesign& control) {
  auto* button = new QPushButton(surface_);
  // Enter, like Space, presses the button that has the focus.
  button->setAutoDefault(true);
  QObject::connect(button, &QPushButton::clicked, button,
                   [this, name = control.name] { Raise(name, "Click"); });
  AddCommandButton(
      control.name,
      std::make_unique<QtCommandButton>(
          button, control.text,
          [name = control.name](const std::string& caption, bool enabled) {
            Tell(name + ".Caption", caption);
            Tell(name + ".Enabled", enabled ? "True" : "False");
          },
          [name = control.name](const std::string& tip) { Tell(name + ".ToolTip", tip); }));
  return button;
}

void QtWindow::CreateMenus() {
  for (const MenuItemDesign& menu : design_.menus) AddMenuItem(nullptr, menu);
}

// An item with items of its own is a drop-down menu; any other raises Click. Null menu: the bar.
void QtWindow::AddMenuItem(QMenu* menu, const MenuItemDesign& item) {
  QMenuBar* bar = main_window_->menuBar();
  const QString caption = PlainCaption(item.caption);
  if (item.items.empty()) {
    QAction* action = menu != nullptr ? menu->addAction(caption) : bar->addAction(caption);
    QObject::connect(action, &QAction::triggered, main_window_.get(),
                     [this, name = item.name] { Raise(name, "Click"); });
    return;
  }
  QMenu* drop_down = menu != nullptr ? menu->addMenu(caption) : bar->addMenu(caption);
  for (const MenuItemDesign& entry : item.items) AddMenuItem(drop_down, entry);
}

void QtWindow::CreateWindowKeys() {
  for (const WindowKeyDesign& key : design_.keys) {
    const std::vector<KeyStroke> strokes = ParseKeyString(key.key);
    if (strokes.size() != 1) continue;
    // Whichever control has the focus, while the window is active; held, the key counts once.
    auto* shortcut = new QShortcut(QKeySequence(strokes[0].key), main_window_.get());
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    QObject::connect(shortcut, &QShortcut::activated, main_window_.get(),
                     [this, name = key.name] { Raise(name, "Pressed"); });
  }
}

void QtWindow::CreateTimers(TimerService& timers) {
  for (const TimerDesign& timer : design_.timers) {
    auto created = timers.CreateTimer([this, name = timer.name] { Raise(name, "Timer"); });
    created->SetInterval(timer.interval_ms);
    AddTimer(timer.name, std::move(created));
  }
  for (const std::string& name : design_.file_dialogs) {
    AddFileDialog(name, std::make_unique<QtFileDialog>(main_window_.get()));
  }
}

bool QtWindow::CreateEmbeddedControls(ControlLibraries& controls, std::string& error) {
  for (const EmbeddedControlDesign& embedded : design_.embedded_controls) {
    auto control = controls.Create(
        embedded.class_name, embedded.saved_properties,
        [this, name = embedded.name](std::string_view event) { Raise(name, event); }, error);
    if (!control) return false;
    AddEmbeddedControl(embedded.name, std::move(control));
  }
  return true;
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
  Tell("Form.Caption", caption);
}

WindowState QtWindow::State() const {
  const Qt::WindowStates state = main_window_->windowState();
  if (state & Qt::WindowMinimized) return WindowState::kMinimized;
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return WindowState::kMaximized;
  return WindowState::kNormal;
}

QMargins QtWindow::FrameMargins() const {
  // NOTE: on X11 a window manager that announces no frame (weston's, for one) gets none counted,
  // rather than the toolkit's own guess: that measures up to the manager's frame window, which
  // under weston holds the drop shadow too, and the window would be cut by it, Start out of
  // reach. Elsewhere the toolkit knows the frame itself.
  if (frame_ != nullptr && frame_->OnX11()) return frame_->Margins().value_or(QMargins());
  const QRect frame = main_window_->frameGeometry();
  const QRect client = main_window_->geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// The outer size includes the frame that the window manager adds (none without one).
QtWindow::PixelSize QtWindow::OuterPixelSize() const {
  const QMargins frame = FrameMargins();
  const QSize client = requested_client_.value_or(main_window_->size());
  return {client.width() + frame.left() + frame.right(),
          client.height() + frame.top() + frame.bottom()};
}

void QtWindow::SetOuterPixelSize(PixelSize size) {
  const QMargins frame = FrameMargins();
  const QSize client(std::max(1, size.width - frame.left() - frame.right()),
                     std::max(1, size.height - frame.top() - frame.bottom()));
  // The size the rule holds is also the least and the most the window may take (on X11 the
  // window's WM_NORMAL_HINTS): tiling compositors and window managers then float the window at
  // that size instead of stretching it over a whole output. Minimizing is not affected.
  HoldSizeHints(client);
  // NOTE: the toolkit's resize sends its own idea of the window's place along with the size,
  // and while a window manager reparents the window that idea can be a passing one (0, 0): the
  // window would jump there. Only the size is asked for, and it counts as the window's size
  // until the server reports one.
  if (frame_ != nullptr && frame_->ResizeClient(client)) {
    requested_client_ = client;
    return;
  }
  main_window_->resize(client);
}

void QtWindow::HoldSizeHints(QSize client) {
  FormMainWindow& window = *main_window_;
  pending_hints_.reset();
  if (window.minimumSize() == client && window.maximumSize() == client) return;
  // Before the window first shows (its first Resize comes then) the limits are fixed at once, so
  // that the window manager sees them when it first places the window.
  if (!window.isVisible()) {
    window.setMinimumSize(client);
    window.setMaximumSize(client);
    return;
  }
  // NOTE: the toolkit resizes a shown window that lies outside new limits, and that resize sends
  // its passing idea of the window's place along (see SetOuterPixelSize): the limits are widened
  // to hold both the present size and the new one, so nothing is resized here, and close on the
  // new size once the window has it.
  const QSize present = window.size();
  window.setMinimumSize(present.boundedTo(client));
  window.setMaximumSize(present.expandedTo(client));
  pending_hints_ = client;
}

void QtWindow::CloseSizeHints() {
  FormMainWindow& window = *main_window_;
  if (!pending_hints_ || window.size() != *pending_hints_) return;
  window.setMinimumSize(*pending_hints_);
  window.setMaximumSize(*pending_hints_);
  pending_hints_.reset();
}

void QtWindow::StartTimers() {
  for (const TimerDesign& timer : design_.timers) {
    if (timer.enabled) GetTimer(timer.name).SetEnabled(true);
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
  // NOTE: under a window manager the frame is known only once it has answered; the size rule
  // runs again then (Form Resize), with the outer size counting the frame.
  frame_->RequestBeforeShow();
  window.show();
  window.activateWindow();
  const QString focus = QString::fromStdString(design_.initial_focus);
  auto* widget = focus.isEmpty() ? nullptr : surface_->findChild<QWidget*>(focus);
  if (widget != nullptr) {
    widget->setFocus(Qt::OtherFocusReason);
  }
}

QWidget& QtWindow::widget() {
  return *main_window_;
}

}  // namespace clickora::platform::qt
