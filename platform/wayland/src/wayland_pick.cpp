// The pick's surfaces: one over each output, taking the pointer and the keyboard.
#include <sys/mman.h>
#include <unistd.h>

#include <wayland-cursor.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/input_routing/picked_point.h"
#include "platform/wayland/wayland_desktop.h"
#include "wayland_state.h"

namespace clickora::platform::wayland {
namespace {

using Pick = WaylandDesktop::PointPick;

constexpr std::uint32_t kLeftButton = 0x110;   // BTN_LEFT of linux/input-event-codes.h
constexpr std::uint32_t kRightButton = 0x111;  // BTN_RIGHT
constexpr std::uint32_t kEscKey = 1;           // KEY_ESC
// A faint shade, so that the user sees the pick is on; the surface takes input all over.
constexpr std::uint32_t kShade = 0x20000000;  // ARGB

// One output's surface.
struct Cover {
  std::size_t output = 0;  // index into the outputs the pick began with
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdg = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wl_buffer* buffer = nullptr;
  std::int32_t width = 0,
               height = 0;  // of the output, the size when the compositor leaves it to us
  class SurfacePick* pick = nullptr;
};

// A buffer of one colour, on shared memory that goes once the compositor has it mapped.
wl_buffer* ShadeBuffer(wl_shm* shm, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  const std::int32_t stride = width * 4;
  const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  const int fd = memfd_create("tapvane-pick", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  wl_buffer* buffer = nullptr;
  if (ftruncate(fd, static_cast<off_t>(size)) == 0) {
    void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels != MAP_FAILED) {
      std::fill_n(static_cast<std::uint32_t*>(pixels), size / 4, kShade);
      munmap(pixels, size);
      wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(size));
      buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_ARGB8888);
      wl_shm_pool_destroy(pool);
    }
  }
  close(fd);
  return buffer;
}

class SurfacePick final : public Pick {
 public:
  SurfacePick(WaylandDesktop::State& state, std::vector<input_routing::OutputArea> areas)
      : state_(state), areas_(std::move(areas)) {}
  ~SurfacePick() override {
    state_.on_seat_capabilities = nullptr;
    if (cursor_surface_ != nullptr) wl_surface_destroy(cursor_surface_);
    if (cursor_theme_ != nullptr) wl_cursor_theme_destroy(cursor_theme_);
    if (pointer_ != nullptr) wl_pointer_destroy(pointer_);
    if (keyboard_ != nullptr) wl_keyboard_destroy(keyboard_);
    for (Cover& cover : covers_) {
      if (cover.layer != nullptr) zwlr_layer_surface_v1_destroy(cover.layer);
      if (cover.toplevel != nullptr) xdg_toplevel_destroy(cover.toplevel);
      if (cover.xdg != nullptr) xdg_surface_destroy(cover.xdg);
      if (cover.surface != nullptr) wl_surface_destroy(cover.surface);
      if (cover.buffer != nullptr) wl_buffer_destroy(cover.buffer);
    }
    state_.Flush();
  }
  SurfacePick(const SurfacePick&) = delete;
  SurfacePick& operator=(const SurfacePick&) = delete;

  bool Start(const std::vector<wl_output*>& outputs, bool overlay);
  Result Read() override {
    if (wl_display_dispatch(state_.display) < 0 || !state_.Flush()) broken_ = true;
    if (broken_) return {Kind::kBroken, {}};
    return result_;
  }

  void Configure(Cover& cover, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) {
      width = cover.width;
      height = cover.height;
    }
    if (cover.buffer == nullptr) cover.buffer = ShadeBuffer(state_.shm, width, height);
    if (cover.buffer == nullptr) {
      broken_ = true;
      return;
    }
    wl_surface_attach(cover.surface, cover.buffer, 0, 0);
    wl_surface_damage(cover.surface, 0, 0, width, height);
    wl_surface_commit(cover.surface);
  }
  void Closed() { result_.kind = Kind::kCancelled; }
  // The seat's pointer and keyboard as it has them now: one that went is inert, and a new
  // device needs a new object.
  void TakeDevices();

  // The cross-hair of the user's cursor theme (XCURSOR_THEME, XCURSOR_SIZE), where it has one;
  // the compositor's own pointer otherwise.
  void LoadCrossHair() {
    const char* theme = std::getenv("XCURSOR_THEME");
    const char* size_text = std::getenv("XCURSOR_SIZE");
    const int size = size_text != nullptr && std::atoi(size_text) > 0 ? std::atoi(size_text) : 24;
    cursor_theme_ = wl_cursor_theme_load(theme, size, state_.shm);
    if (cursor_theme_ == nullptr) return;
    wl_cursor* cross = wl_cursor_theme_get_cursor(cursor_theme_, "crosshair");
    if (cross == nullptr || cross->image_count == 0) return;
    cross_image_ = cross->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(cross_image_);
    if (buffer == nullptr) return;
    cursor_surface_ = wl_compositor_create_surface(state_.compositor);
    wl_surface_attach(cursor_surface_, buffer, 0, 0);
    wl_surface_damage(cursor_surface_, 0, 0, static_cast<std::int32_t>(cross_image_->width),
                      static_cast<std::int32_t>(cross_image_->height));
    wl_surface_commit(cursor_surface_);
  }

  // The pointer's surface and place on it.
  void Enter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    if (cursor_surface_ != nullptr && pointer_ != nullptr) {
      wl_pointer_set_cursor(pointer_, serial, cursor_surface_,
                            static_cast<std::int32_t>(cross_image_->hotspot_x),
                            static_cast<std::int32_t>(cross_image_->hotspot_y));
    }
    under_ = nullptr;
    for (Cover& cover : covers_) {
      if (cover.surface == surface) under_ = &cover;
    }
    Motion(x, y);
  }
  void Motion(wl_fixed_t x, wl_fixed_t y) {
    x_ = wl_fixed_to_double(x);
    y_ = wl_fixed_to_double(y);
  }
  void Leave() { under_ = nullptr; }
  void Button(std::uint32_t button, std::uint32_t state) {
    if (result_.kind != Kind::kGoing) return;
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
      if (pressed_ != 0) return;
      if (button == kRightButton) {
        pressed_ = button;
      } else if (button == kLeftButton && under_ != nullptr) {
        const auto point = input_routing::PickedPoint(areas_, under_->output, x_, y_);
        if (!point) return;
        pressed_ = button;
        picked_ = *point;
      }
      return;
    }
    // A release without its press here (the double-click that began the pick) is not ours.
    if (button != pressed_) return;
    result_ = button == kLeftButton ? Result{Kind::kPicked, picked_} : Result{Kind::kCancelled, {}};
  }
  void Key(std::uint32_t key, std::uint32_t state) {
    if (key == kEscKey && state == WL_KEYBOARD_KEY_STATE_PRESSED && pressed_ == 0 &&
        result_.kind == Kind::kGoing) {
      result_.kind = Kind::kCancelled;
    }
  }

 private:
  WaylandDesktop::State& state_;
  std::vector<input_routing::OutputArea> areas_;
  std::vector<Cover> covers_;
  wl_pointer* pointer_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_cursor_theme* cursor_theme_ = nullptr;
  wl_cursor_image* cross_image_ = nullptr;
  wl_surface* cursor_surface_ = nullptr;
  Cover* under_ = nullptr;
  double x_ = 0, y_ = 0;
  std::uint32_t pressed_ = 0;
  Point picked_{};
  Result result_;
  bool broken_ = false;
};

void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                      std::uint32_t width, std::uint32_t height) {
  auto* cover = static_cast<Cover*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  cover->pick->Configure(*cover, static_cast<std::int32_t>(width),
                         static_cast<std::int32_t>(height));
}
void OnLayerClosed(void* data, zwlr_layer_surface_v1*) {
  static_cast<Cover*>(data)->pick->Closed();
}
constexpr zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

// The full-screen window: its size comes with the toplevel's configure, its go-ahead with the
// xdg_surface's.
void OnToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                         wl_array*) {
  auto* cover = static_cast<Cover*>(data);
  if (width > 0 && height > 0) {
    cover->width = width;
    cover->height = height;
  }
}
void OnToplevelClose(void* data, xdg_toplevel*) {
  static_cast<Cover*>(data)->pick->Closed();
}
// The shell is bound at version 1: the later events never come.
constexpr xdg_toplevel_listener kToplevelListener = {.configure = OnToplevelConfigure,
                                                     .close = OnToplevelClose,
                                                     .configure_bounds = nullptr,
                                                     .wm_capabilities = nullptr};
void OnXdgConfigure(void* data, xdg_surface* xdg, std::uint32_t serial) {
  auto* cover = static_cast<Cover*>(data);
  xdg_surface_ack_configure(xdg, serial);
  if (cover->buffer == nullptr) cover->pick->Configure(*cover, cover->width, cover->height);
}
constexpr xdg_surface_listener kXdgListener = {OnXdgConfigure};

void OnPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                    wl_fixed_t x, wl_fixed_t y) {
  static_cast<SurfacePick*>(data)->Enter(serial, surface, x, y);
}
void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
  static_cast<SurfacePick*>(data)->Leave();
}
void OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
  static_cast<SurfacePick*>(data)->Motion(x, y);
}
void OnPointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                     std::uint32_t state) {
  static_cast<SurfacePick*>(data)->Button(button, state);
}
void OnPointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
// The seat is bound at version 1: only the first version's events come.
const wl_pointer_listener kPointerListener = {
    .enter = OnPointerEnter,
    .leave = OnPointerLeave,
    .motion = OnPointerMotion,
    .button = OnPointerButton,
    .axis = OnPointerAxis,
    .frame = nullptr,
    .axis_source = nullptr,
    .axis_stop = nullptr,
    .axis_discrete = nullptr,
    .axis_value120 = nullptr,
};

void OnKeymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
  close(fd);
}
void OnKeyboardEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void OnKeyboardLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
           std::uint32_t state) {
  static_cast<SurfacePick*>(data)->Key(key, state);
}
void OnModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t) {}
const wl_keyboard_listener kKeyboardListener = {
    .keymap = OnKeymap,
    .enter = OnKeyboardEnter,
    .leave = OnKeyboardLeave,
    .key = OnKey,
    .modifiers = OnModifiers,
    .repeat_info = nullptr,
};

bool SurfacePick::Start(const std::vector<wl_output*>& outputs, bool overlay) {
  covers_.resize(outputs.size());
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    Cover& cover = covers_[i];
    cover.output = i;
    cover.width = areas_[i].width;
    cover.height = areas_[i].height;
    cover.pick = this;
    cover.surface = wl_compositor_create_surface(state_.compositor);
    if (overlay) {
      cover.layer =
          zwlr_layer_shell_v1_get_layer_surface(state_.layer_shell, cover.surface, outputs[i],
                                                ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tapvane-pick");
      zwlr_layer_surface_v1_add_listener(cover.layer, &kLayerListener, &cover);
      zwlr_layer_surface_v1_set_anchor(
          cover.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                           ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
      // Over panels too, whose exclusive zones would otherwise keep it off their strip.
      zwlr_layer_surface_v1_set_exclusive_zone(cover.layer, -1);
      zwlr_layer_surface_v1_set_keyboard_interactivity(cover.layer, 1);
    } else {
      cover.xdg = xdg_wm_base_get_xdg_surface(state_.wm_base, cover.surface);
      xdg_surface_add_listener(cover.xdg, &kXdgListener, &cover);
      cover.toplevel = xdg_surface_get_toplevel(cover.xdg);
      xdg_toplevel_add_listener(cover.toplevel, &kToplevelListener, &cover);
      xdg_toplevel_set_title(cover.toplevel, "tapvane pick");
      xdg_toplevel_set_fullscreen(cover.toplevel, outputs[i]);
    }
    wl_surface_commit(cover.surface);
  }
  LoadCrossHair();
  state_.on_seat_capabilities = [this] { TakeDevices(); };
  TakeDevices();
  // The surfaces shown before the pick counts as going.
  return state_.Roundtrip() && state_.Roundtrip() && !broken_;
}

void SurfacePick::TakeDevices() {
  const std::uint32_t has = state_.seat_capabilities;
  if ((has & WL_SEAT_CAPABILITY_POINTER) == 0 && pointer_ != nullptr) {
    wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
    under_ = nullptr;
  } else if ((has & WL_SEAT_CAPABILITY_POINTER) != 0 && pointer_ == nullptr) {
    pointer_ = wl_seat_get_pointer(state_.seat);
    wl_pointer_add_listener(pointer_, &kPointerListener, this);
  }
  if ((has & WL_SEAT_CAPABILITY_KEYBOARD) == 0 && keyboard_ != nullptr) {
    wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
  } else if ((has & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && keyboard_ == nullptr) {
    keyboard_ = wl_seat_get_keyboard(state_.seat);
    wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
  }
}

}  // namespace

std::unique_ptr<Pick> WaylandDesktop::StartPick(bool overlay) {
  State& state = *state_;
  overlay = overlay && state.layer_shell != nullptr;
  if (state.compositor == nullptr || state.shm == nullptr || state.seat == nullptr ||
      (!overlay && state.wm_base == nullptr)) {
    return nullptr;
  }
  if (!state.Roundtrip()) return nullptr;
  std::vector<input_routing::OutputArea> areas;
  std::vector<wl_output*> outputs;
  for (const auto& output : state.outputs) {
    if (!output->placed) continue;
    areas.push_back(output->area);
    outputs.push_back(output->output);
  }
  if (outputs.empty()) return nullptr;
  auto pick = std::make_unique<SurfacePick>(state, std::move(areas));
  if (!pick->Start(outputs, overlay)) return nullptr;
  return pick;
}

int WaylandDesktop::fd() const {
  return wl_display_get_fd(state_->display);
}

}  // namespace clickora::platform::wayland
