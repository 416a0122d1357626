#pragma once

#include <QPixmap>
#include <QSize>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control_library.h"
#include "platform/form_design.h"
#include "platform/form_runtime.h"
#include "platform/forms/form_window_base.h"

class QButtonGroup;
class QMargins;
class QMenu;
class QRect;
class QWidget;

namespace clickora::platform::qt {

class FormMainWindow;
class FormSurface;
class QtProgramServices;
class StateTeller;
class X11FrameExtents;

// Loads an asset of the program (the background picture, the icon) by its design name.
using AssetLoader = std::function<QPixmap(std::string_view name)>;

// A window created from its design data: a main window with the design's menus, whose central
// surface paints the background picture and the labels and holds the other controls as widgets
// at their designed places. Events go through the portable dispatcher (Raise, SetSink).
class QtWindow final : public forms::FormWindowBase {
 public:
  // Builds the window hidden; on failure (an embedded control that cannot be created) error
  // says why and the window must not be used.
  QtWindow(const FormDesign& design, QtProgramServices& program, TimerService& timers,
           ControlLibraries& controls, const AssetLoader& assets, std::string& error);
  ~QtWindow() override;

  std::string Caption() const override;
  void SetCaption(std::string_view caption) override;
  WindowState State() const override;

  // Starts the design's enabled timers, then shows the window with its client area at the
  // designed place and the focus on the designed control.
  void StartTimers();
  void Show();

  QWidget& widget();

 private:
  PixelSize OuterPixelSize() const override;
  void SetOuterPixelSize(PixelSize size) override;
  double DpiX() const override;
  double DpiY() const override;

  // The steps of building the window, in this order.
  void CreateFrame(const AssetLoader& assets);
  void CreateControls();
  QWidget* CreateTextBox(const ControlDesign& control);
  QWidget* CreateOptionButton(const ControlDesign& control, QButtonGroup* group);
  QWidget* CreateCommandButton(const ControlDesign& control);
  void CreateMenus();
  void AddMenuItem(QMenu* menu, const MenuItemDesign& item);
  void CreateWindowKeys();
  void CreateTimers(TimerService& timers);
  bool CreateEmbeddedControls(ControlLibraries& controls, std::string& error);
  QRect Place(const ControlDesign& control) const;
  // Least and most size of the window's client area, for the window manager: the size the size
  // rule holds. A shown window's limits close on that size once it has it.
  void HoldSizeHints(QSize client);
  void CloseSizeHints();
  // The widths of the window manager's frame around the client area; none without one.
  QMargins FrameMargins() const;

  QtProgramServices& program_;
  FormDesign design_;
  std::unique_ptr<FormMainWindow> main_window_;
  std::unique_ptr<X11FrameExtents> frame_;
  // The client size last asked of the X server, until it reports a size.
  std::optional<QSize> requested_client_;
  // The client size the limits close on once the window has it.
  std::optional<QSize> pending_hints_;
  FormSurface* surface_ = nullptr;       // owned by the main window
  StateTeller* state_teller_ = nullptr;  // owned by the main window; only with an observer
};

}  // namespace clickora::platform::qt
