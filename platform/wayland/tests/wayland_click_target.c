/* A native Wayland window for the compositor tests: full screen on one output (or, given "tiled"
 * for the output, wherever the compositor lays it out), it logs every
 * left-button press and release with the surface coordinates where it came, one line each
 * ("press X Y", "release X Y"), after a first line "ready WIDTH HEIGHT" once it is shown.
 *   wayland_click_target LOG OUTPUT_NAME */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#define MAX_OUTPUTS 8

struct output {
  struct wl_output *output;
  struct zxdg_output_v1 *xdg;
  char name[64];
};

static struct {
  struct wl_compositor *compositor;
  struct wl_shm *shm;
  struct xdg_wm_base *wm_base;
  struct wl_seat *seat;
  struct wl_pointer *pointer;
  struct zxdg_output_manager_v1 *xdg_outputs;
  struct output outputs[MAX_OUTPUTS];
  int output_count;
  struct wl_surface *surface;
  struct xdg_surface *xdg_surface;
  struct xdg_toplevel *toplevel;
  int width, height;
  int configured, shown;
  double x, y;
  FILE *log;
} app;

static void say(const char *format, double a, double b) {
  fprintf(app.log, format, a, b);
  fflush(app.log);
}

/* A plain buffer of the surface's size, grey. */
static void draw(void) {
  const int stride = app.width * 4, size = stride * app.height;
  const int fd = memfd_create("click-target", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) exit(1);
  uint32_t *pixels = mmap(NULL, (size_t)size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (pixels == MAP_FAILED) exit(1);
  for (int i = 0; i < app.width * app.height; ++i) pixels[i] = 0xff607080;
  munmap(pixels, (size_t)size);
  struct wl_shm_pool *pool = wl_shm_create_pool(app.shm, fd, size);
  struct wl_buffer *buffer =
      wl_shm_pool_create_buffer(pool, 0, app.width, app.height, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_surface_attach(app.surface, buffer, 0, 0);
  wl_surface_damage(app.surface, 0, 0, app.width, app.height);
  wl_surface_commit(app.surface);
}

static void pointer_enter(void *data, struct wl_pointer *pointer, uint32_t serial,
                          struct wl_surface *surface, wl_fixed_t x, wl_fixed_t y) {
  (void)data, (void)pointer, (void)serial, (void)surface;
  app.x = wl_fixed_to_double(x);
  app.y = wl_fixed_to_double(y);
}
static void pointer_leave(void *data, struct wl_pointer *pointer, uint32_t serial,
                          struct wl_surface *surface) {
  (void)data, (void)pointer, (void)serial, (void)surface;
}
static void pointer_motion(void *data, struct wl_pointer *pointer, uint32_t time, wl_fixed_t x,
                           wl_fixed_t y) {
  (void)data, (void)pointer, (void)time;
  app.x = wl_fixed_to_double(x);
  app.y = wl_fixed_to_double(y);
}
static void pointer_button(void *data, struct wl_pointer *pointer, uint32_t serial, uint32_t time,
                           uint32_t button, uint32_t state) {
  (void)data, (void)pointer, (void)serial, (void)time;
  if (button != 0x110) return; /* BTN_LEFT */
  say(state == WL_POINTER_BUTTON_STATE_PRESSED ? "press %g %g\n" : "release %g %g\n", app.x, app.y);
}
static void pointer_axis(void *data, struct wl_pointer *pointer, uint32_t time, uint32_t axis,
                         wl_fixed_t value) {
  (void)data, (void)pointer, (void)time, (void)axis, (void)value;
}
/* Events of later versions than the one bound never come. */
static const struct wl_pointer_listener pointer_listener = {.enter = pointer_enter,
                                                            .leave = pointer_leave,
                                                            .motion = pointer_motion,
                                                            .button = pointer_button,
                                                            .axis = pointer_axis};

/* A virtual pointer made after the window came gives the seat its pointer only then. */
static void seat_capabilities(void *data, struct wl_seat *seat, uint32_t capabilities) {
  (void)data;
  const int has_pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  if (has_pointer && app.pointer == NULL) {
    app.pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(app.pointer, &pointer_listener, NULL);
  } else if (!has_pointer && app.pointer != NULL) {
    wl_pointer_release(app.pointer);
    app.pointer = NULL;
  }
}
static void seat_name(void *data, struct wl_seat *seat, const char *name) {
  (void)data, (void)seat, (void)name;
}
static const struct wl_seat_listener seat_listener = {seat_capabilities, seat_name};

static void xdg_output_position(void *data, struct zxdg_output_v1 *xdg, int32_t x, int32_t y) {
  (void)data, (void)xdg, (void)x, (void)y;
}
static void xdg_output_size(void *data, struct zxdg_output_v1 *xdg, int32_t w, int32_t h) {
  (void)data, (void)xdg, (void)w, (void)h;
}
static void xdg_output_done(void *data, struct zxdg_output_v1 *xdg) { (void)data, (void)xdg; }
static void xdg_output_name(void *data, struct zxdg_output_v1 *xdg, const char *name) {
  (void)xdg;
  struct output *output = data;
  snprintf(output->name, sizeof output->name, "%s", name);
}
static void xdg_output_description(void *data, struct zxdg_output_v1 *xdg, const char *text) {
  (void)data, (void)xdg, (void)text;
}
static const struct zxdg_output_v1_listener xdg_output_listener = {
    xdg_output_position, xdg_output_size, xdg_output_done, xdg_output_name,
    xdg_output_description};

static void wm_base_ping(void *data, struct xdg_wm_base *wm_base, uint32_t serial) {
  (void)data;
  xdg_wm_base_pong(wm_base, serial);
}
static const struct xdg_wm_base_listener wm_base_listener = {wm_base_ping};

static void surface_configure(void *data, struct xdg_surface *surface, uint32_t serial) {
  (void)data;
  xdg_surface_ack_configure(surface, serial);
  if (app.width <= 0 || app.height <= 0) app.width = 200, app.height = 200;
  draw();
  app.configured = 1;
}
static const struct xdg_surface_listener surface_listener = {surface_configure};

static void toplevel_configure(void *data, struct xdg_toplevel *toplevel, int32_t width,
                               int32_t height, struct wl_array *states) {
  (void)data, (void)toplevel, (void)states;
  if (width > 0 && height > 0) app.width = width, app.height = height;
}
static void toplevel_close(void *data, struct xdg_toplevel *toplevel) {
  (void)data, (void)toplevel;
  exit(0);
}
static const struct xdg_toplevel_listener toplevel_listener = {.configure = toplevel_configure,
                                                               .close = toplevel_close};

static void registry_global(void *data, struct wl_registry *registry, uint32_t name,
                            const char *interface, uint32_t version) {
  (void)data;
  if (strcmp(interface, wl_compositor_interface.name) == 0) {
    app.compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 4);
  } else if (strcmp(interface, wl_shm_interface.name) == 0) {
    app.shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
  } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
    app.wm_base = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
    xdg_wm_base_add_listener(app.wm_base, &wm_base_listener, NULL);
  } else if (strcmp(interface, wl_seat_interface.name) == 0 && app.seat == NULL) {
    app.seat = wl_registry_bind(registry, name, &wl_seat_interface, 3);
    wl_seat_add_listener(app.seat, &seat_listener, NULL);
  } else if (strcmp(interface, wl_output_interface.name) == 0 && app.output_count < MAX_OUTPUTS) {
    app.outputs[app.output_count++].output =
        wl_registry_bind(registry, name, &wl_output_interface, 1);
  } else if (strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && version >= 2) {
    app.xdg_outputs = wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, 2);
  }
}
static void registry_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registry_listener = {registry_global, registry_remove};

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s LOG OUTPUT_NAME\n", argv[0]);
    return 2;
  }
  app.log = fopen(argv[1], "w");
  struct wl_display *display = wl_display_connect(NULL);
  if (app.log == NULL || display == NULL) return 1;
  struct wl_registry *registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, NULL);
  wl_display_roundtrip(display);
  if (!app.compositor || !app.shm || !app.wm_base || !app.xdg_outputs) {
    fprintf(stderr, "the compositor lacks an interface this window needs\n");
    return 1;
  }
  for (int i = 0; i < app.output_count; ++i) {
    app.outputs[i].xdg = zxdg_output_manager_v1_get_xdg_output(app.xdg_outputs, app.outputs[i].output);
    zxdg_output_v1_add_listener(app.outputs[i].xdg, &xdg_output_listener, &app.outputs[i]);
  }
  wl_display_roundtrip(display);
  const int tiled = strcmp(argv[2], "tiled") == 0;
  struct wl_output *chosen = NULL;
  for (int i = 0; i < app.output_count; ++i) {
    if (strcmp(app.outputs[i].name, argv[2]) == 0) chosen = app.outputs[i].output;
  }
  if (chosen == NULL && !tiled) {
    fprintf(stderr, "no output named %s; there are:", argv[2]);
    for (int i = 0; i < app.output_count; ++i) fprintf(stderr, " %s", app.outputs[i].name);
    fprintf(stderr, "\n");
    return 1;
  }
  app.surface = wl_compositor_create_surface(app.compositor);
  app.xdg_surface = xdg_wm_base_get_xdg_surface(app.wm_base, app.surface);
  xdg_surface_add_listener(app.xdg_surface, &surface_listener, NULL);
  app.toplevel = xdg_surface_get_toplevel(app.xdg_surface);
  xdg_toplevel_add_listener(app.toplevel, &toplevel_listener, NULL);
  char app_id[96];
  snprintf(app_id, sizeof app_id, "clickora-target-%s", argv[2]);
  xdg_toplevel_set_app_id(app.toplevel, app_id);
  xdg_toplevel_set_title(app.toplevel, app_id);
  if (!tiled) xdg_toplevel_set_fullscreen(app.toplevel, chosen);
  wl_surface_commit(app.surface);
  while (wl_display_dispatch(display) != -1) {
    /* Shown once the full-screen size has come and a buffer of it is on the screen. */
    if (app.configured && !app.shown && app.width != 200) {
      wl_display_roundtrip(display);
      app.shown = 1;
      say("ready %g %g\n", app.width, app.height);
    }
  }
  return 0;
}
