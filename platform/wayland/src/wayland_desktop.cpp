#include "platform/wayland/wayland_desktop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "wayland_state.h"

namespace clickora::platform::wayland {
namespace {

using State = WaylandDesktop::State;

void OnLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
  auto* output = static_cast<Output*>(data);
  output->area.x = x;
  output->area.y = y;
}
void OnLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
  auto* output = static_cast<Output*>(data);
  output->area.width = width;
  output->area.height = height;
  output->placed = true;
}
void OnXdgDone(void*, zxdg_output_v1*) {}
void OnXdgName(void*, zxdg_output_v1*, const char*) {}
void OnXdgDescription(void*, zxdg_output_v1*, const char*) {}
constexpr zxdg_output_v1_listener kXdgOutputListener = {
    OnLogicalPosition, OnLogicalSize, OnXdgDone, OnXdgName, OnXdgDescription,
};

void OnSeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
  auto* state = static_cast<State*>(data);
  state->seat_capabilities = capabilities;
  if (state->on_seat_capabilities) state->on_seat_capabilities();
}
void OnSeatName(void*, wl_seat*, const char*) {}
constexpr wl_seat_listener kSeatListener = {OnSeatCapabilities, OnSeatName};

// The compositor asks now and then whether the program still answers.
void OnPing(void*, xdg_wm_base* wm_base, std::uint32_t serial) {
  xdg_wm_base_pong(wm_base, serial);
}
constexpr xdg_wm_base_listener kWmBaseListener = {OnPing};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
  auto* state = static_cast<State*>(data);
  state->globals.insert(interface);
  const auto is = [interface](const wl_interface& known) {
    return std::strcmp(interface, known.name) == 0;
  };
  if (is(wl_seat_interface) && state->seat == nullptr) {
    state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    wl_seat_add_listener(state->seat, &kSeatListener, state);
  } else if (is(wl_output_interface)) {
    auto output = std::make_unique<Output>();
    output->global_name = name;
    output->output =
        static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
    state->outputs.push_back(std::move(output));
    state->AddXdgOutput(*state->outputs.back());
  } else if (is(zxdg_output_manager_v1_interface)) {
    state->xdg_output_manager = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
        registry, name, &zxdg_output_manager_v1_interface, std::min<std::uint32_t>(version, 2)));
    for (auto& output : state->outputs) state->AddXdgOutput(*output);
  } else if (is(org_kde_kwin_fake_input_interface) && version >= 3) {
    // Version 3 brought absolute motion.
    state->kde_fake_input = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3));
  } else if (is(wl_compositor_interface)) {
    state->compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  } else if (is(wl_shm_interface)) {
    state->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (is(zwlr_layer_shell_v1_interface)) {
    state->layer_shell = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
  } else if (is(xdg_wm_base_interface)) {
    state->wm_base =
        static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(state->wm_base, &kWmBaseListener, nullptr);
  } else if (is(zwlr_virtual_pointer_manager_v1_interface)) {
    state->wlr_pointer_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  }
}

void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  auto* state = static_cast<State*>(data);
  auto& outputs = state->outputs;
  const auto gone = std::find_if(outputs.begin(), outputs.end(), [name](const auto& output) {
    return output->global_name == name;
  });
  if (gone == outputs.end()) return;
  if ((*gone)->xdg_output != nullptr) zxdg_output_v1_destroy((*gone)->xdg_output);
  wl_output_destroy((*gone)->output);
  outputs.erase(gone);
}

constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

void State::AddXdgOutput(Output& output) {
  if (xdg_output_manager == nullptr || output.xdg_output != nullptr) return;
  output.xdg_output = zxdg_output_manager_v1_get_xdg_output(xdg_output_manager, output.output);
  zxdg_output_v1_add_listener(output.xdg_output, &kXdgOutputListener, &output);
}

bool State::Flush() {
  return wl_display_flush(display) >= 0 && wl_display_get_error(display) == 0;
}

bool State::Roundtrip() {
  return wl_display_roundtrip(display) >= 0;
}

std::vector<input_routing::OutputArea> State::OutputAreas() const {
  std::vector<input_routing::OutputArea> areas;
  for (const auto& output : outputs) {
    if (output->placed) areas.push_back(output->area);
  }
  return areas;
}

State::~State() {
  for (auto& output : outputs) {
    if (output->xdg_output != nullptr) zxdg_output_v1_destroy(output->xdg_output);
    wl_output_destroy(output->output);
  }
  if (wlr_pointer_manager != nullptr) zwlr_virtual_pointer_manager_v1_destroy(wlr_pointer_manager);
  if (kde_fake_input != nullptr) org_kde_kwin_fake_input_destroy(kde_fake_input);
  if (xdg_output_manager != nullptr) zxdg_output_manager_v1_destroy(xdg_output_manager);
  // NOTE: the layer shell's destroy request came in its version 3; the proxy alone goes.
  if (layer_shell != nullptr) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layer_shell));
  if (wm_base != nullptr) xdg_wm_base_destroy(wm_base);
  if (shm != nullptr) wl_shm_destroy(shm);
  if (compositor != nullptr) wl_compositor_destroy(compositor);
  if (seat != nullptr) wl_seat_destroy(seat);
  if (registry != nullptr) wl_registry_destroy(registry);
  if (display != nullptr) wl_display_disconnect(display);
}

std::unique_ptr<WaylandDesktop> WaylandDesktop::Connect() {
  // NOTE: the library falls back on "wayland-0" when the variable is unset; an X11 session
  // must not pick up a compositor that merely left its socket there.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  auto state = std::make_unique<State>();
  state->display = wl_display_connect(name);
  if (state->display == nullptr) return nullptr;
  state->registry = wl_display_get_registry(state->display);
  wl_registry_add_listener(state->registry, &kRegistryListener, state.get());
  // The globals, then the outputs' places that binding them asked for.
  if (!state->Roundtrip() || !state->Roundtrip()) return nullptr;
  return std::unique_ptr<WaylandDesktop>(new WaylandDesktop(std::move(state)));
}

WaylandDesktop::WaylandDesktop(std::unique_ptr<State> state) : state_(std::move(state)) {}
WaylandDesktop::~WaylandDesktop() = default;

std::vector<input_routing::OutputArea> WaylandDesktop::Outputs() {
  if (!state_->Roundtrip()) return {};
  return state_->OutputAreas();
}

const std::set<std::string, std::less<>>& WaylandDesktop::globals() const {
  return state_->globals;
}

}  // namespace clickora::platform::wayland
