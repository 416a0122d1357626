#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake-input-client-protocol.h"
#include "platform/input_routing/output_layout.h"
#include "platform/wayland/wayland_desktop.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

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
  zxdg_output_manager_v1* xdg_output_manager = nullptr;
  zwlr_virtual_pointer_manager_v1* wlr_pointer_manager = nullptr;
  org_kde_kwin_fake_input* kde_fake_input = nullptr;  // version 3 or later
  std::vector<std::unique_ptr<Output>> outputs;
  std::set<std::string, std::less<>> globals;
};

}  // namespace clickora::platform::wayland
