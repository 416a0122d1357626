#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake-input-client-protocol.h"
#include "platform/input_routing/output_layout.h"
#include "platform/wayland/wayland_desktop.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace clickora::platform::wayland {

// One output and its logical place, from xdg-output.
struct Output {
  std::uint32_t global_name = 0;
  wl_output* output = nullptr;
  zxdg_output_v1* xdg_output = nullptr;
  input_routing::OutputArea area;
  bool placed = false;  // position and size both announced
};

struct WaylandDesktop::State {
  ~State();
  // Reads what the compositor has sent, waiting for its answer to everything asked so far;
  // false when the connection is broken.
  bool Roundtrip();
  // The placed outputs' logical areas.
  // Flushes what was asked; false when the connection is broken.
  bool Flush();
  std::vector<input_routing::OutputArea> OutputAreas() const;
  void AddXdgOutput(Output& output);

  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  // The seat's devices (wl_seat_capability) and who hears when they change: a device of a
  // headless or remote seat comes and goes, and asking for one the seat has never had is a
  // protocol error.
  std::uint32_t seat_capabilities = 0;
  std::function<void()> on_seat_capabilities;
  zxdg_output_manager_v1* xdg_output_manager = nullptr;
  zwlr_virtual_pointer_manager_v1* wlr_pointer_manager = nullptr;
  org_kde_kwin_fake_input* kde_fake_input = nullptr;  // version 3 or later
  // What the pick's surfaces are made with.
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* layer_shell = nullptr;
  xdg_wm_base* wm_base = nullptr;
  std::vector<std::unique_ptr<Output>> outputs;
  std::set<std::string, std::less<>> globals;
};

}  // namespace clickora::platform::wayland
