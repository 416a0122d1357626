#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/input_routing/output_layout.h"
#include "platform/input_routing/routed_pointer_input.h"

namespace clickora::platform::wayland {

// A connection of the program's own to the session's Wayland compositor, made once at start-up
// and kept for the program's life; the program's window stays an X11 one. It tells what the
// compositor offers this program and where its outputs lie, and carries the pointer routes that
// go through the compositor. Not tied to the toolkit's event loop: events are read whenever the
// layout is needed.
class WaylandDesktop {
 public:
  // nullptr where no Wayland session is named (WAYLAND_DISPLAY) or it cannot be reached.
  static std::unique_ptr<WaylandDesktop> Connect();
  ~WaylandDesktop();
  WaylandDesktop(const WaylandDesktop&) = delete;
  WaylandDesktop& operator=(const WaylandDesktop&) = delete;

  // The names of the interfaces the compositor announces to this program.
  const std::set<std::string, std::less<>>& globals() const;

  // The outputs' logical areas as the compositor has them now; empty when it cannot be asked.
  std::vector<input_routing::OutputArea> Outputs();

  // The wlroots virtual pointer: one device made now, kept for the program's life (a new device
  // changes the seat, and clients take a pointer only once they have heard of it). nullptr
  // where the compositor offers none.
  std::unique_ptr<input_routing::PointerRoute> MakeWlrPointerRoute();

  // KWin's fake input, which KWin offers only to a program that its desktop entry grants it
  // to. nullptr where it is not offered.
  std::unique_ptr<input_routing::PointerRoute> MakeKdePointerRoute();

  // A point picked with the mouse: a surface over each output, above the windows, takes the
  // next click and Esc. The surfaces go with the object.
  class PointPick {
   public:
    enum class Kind : std::uint8_t { kGoing, kPicked, kCancelled, kBroken };
    struct Result {
      Kind kind = Kind::kGoing;
      Point point{};  // kPicked: relative to the primary output's top-left
    };
    virtual ~PointPick() = default;
    // Reads and handles what the compositor has sent; call when fd() is readable. The press
    // of the left button picks and the right one cancels, each ended at its release, so the
    // release reaches no window beneath.
    virtual Result Read() = 0;
  };
  // A layer-shell overlay per output where the compositor offers one (and overlay allows
  // it), else a full-screen window per output. nullptr when the compositor offers neither, or
  // no output.
  std::unique_ptr<PointPick> StartPick(bool overlay = true);
  // The connection's socket, readable when the compositor has sent something.
  int fd() const;

  struct State;

 private:
  explicit WaylandDesktop(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace clickora::platform::wayland
