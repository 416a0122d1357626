#pragma once

#include <functional>

#include "platform/program_services.h"

namespace clickora::platform::qt {

// The pointer and the left button on X11: XQueryPointer reads the position, XTest moves the
// pointer and puts button events into the server's input, so that whatever window lies under the
// pointer receives an ordinary click. Its own display connection keeps Xlib out of everything
// else. Positions are relative to the primary screen's top-left corner, as the program expects.
class X11PointerInput final : public PointerInput {
 public:
  // primary_origin: the primary screen's top-left in the root window, in pixels, asked at every
  // call so that a change of monitors is followed.
  explicit X11PointerInput(std::function<Point()> primary_origin);
  ~X11PointerInput() override;
  X11PointerInput(const X11PointerInput&) = delete;
  X11PointerInput& operator=(const X11PointerInput&) = delete;

  bool GetCursorPos(Point& point) override;
  bool SetCursorPos(Point point) override;
  void MouseEvent(std::uint32_t flags) override;
  // Nowhere without XTest; only X clients' windows when the server is a Wayland session's.
  ClickReach Reach() override;

 private:
  struct Connection;
  Connection* connection_;
  std::function<Point()> primary_origin_;
};

}  // namespace clickora::platform::qt
