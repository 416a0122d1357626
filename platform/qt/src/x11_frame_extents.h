#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

namespace clickora::platform::qt {

// The frame that the window manager puts around a top-level window, as it announces it in the
// window's _NET_FRAME_EXTENTS property. The toolkit learns of a frame only at the window's next
// move or resize, so a size set before the frame came would count none: the client area would
// get the whole outer size. This reads the property itself and says when it changes.
// Without a window manager, or off X11, there is no frame and nothing is ever announced.
class X11FrameExtents final : public QAbstractNativeEventFilter {
 public:
  // on_change runs from the event loop once the frame has changed; Margins() then has it.
  X11FrameExtents(QWidget& window, std::function<void()> on_change);
  ~X11FrameExtents() override;
  X11FrameExtents(const X11FrameExtents&) = delete;
  X11FrameExtents& operator=(const X11FrameExtents&) = delete;

  // Asks the window manager to announce the frame before it maps the window, so that the window
  // can take its size before it first shows. Creates the native window; call before showing it.
  void RequestBeforeShow();

  // Asks for a new size of the client area alone, leaving the window where it is; false off X11
  // or before the native window exists.
  bool ResizeClient(QSize size);

  // Whether the window is an X11 one, whose frame this follows.
  bool OnX11() const { return extents_atom_ != 0; }

  // The frame's widths; nullopt while no window manager has announced any.
  std::optional<QMargins> Margins() const { return margins_; }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  std::optional<QMargins> Read() const;

  QPointer<QWidget> window_;
  std::function<void()> on_change_;
  std::uint32_t window_id_ = 0;
  std::uint32_t extents_atom_ = 0;  // 0: not on X11
  std::optional<QMargins> margins_;
};

}  // namespace clickora::platform::qt
