/* Input through KWin's fake input, as a keyboard or a mouse would give it, for the KWin tests:
 * KWin offers the input only to a program its desktop entry grants it to.
 *   kde_fake_key key EVDEV_KEYCODE   presses and releases a key (64 is F6)
 *   kde_fake_key move X Y            moves the pointer to a point of the layout */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static struct org_kde_kwin_fake_input *fake_input;

static void registry_global(void *data, struct wl_registry *registry, uint32_t name,
                            const char *interface, uint32_t version) {
  (void)data;
  if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
    fake_input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
  }
}
static void registry_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registry_listener = {registry_global, registry_remove};

int main(int argc, char **argv) {
  const int key = argc == 3 && strcmp(argv[1], "key") == 0;
  const int move = argc == 4 && strcmp(argv[1], "move") == 0;
  if (!key && !move) {
    fprintf(stderr, "usage: %s key EVDEV_KEYCODE | move X Y\n", argv[0]);
    return 2;
  }
  struct wl_display *display = wl_display_connect(NULL);
  if (display == NULL) return 1;
  struct wl_registry *registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, NULL);
  wl_display_roundtrip(display);
  if (fake_input == NULL) {
    fprintf(stderr, "KWin offers this program no fake input (version 4)\n");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(fake_input, "kde_fake_key", "tests");
  if (key) {
    const uint32_t code = (uint32_t)atoi(argv[2]);
    org_kde_kwin_fake_input_keyboard_key(fake_input, code, WL_KEYBOARD_KEY_STATE_PRESSED);
    org_kde_kwin_fake_input_keyboard_key(fake_input, code, WL_KEYBOARD_KEY_STATE_RELEASED);
  } else {
    org_kde_kwin_fake_input_pointer_motion_absolute(fake_input, wl_fixed_from_int(atoi(argv[2])),
                                                    wl_fixed_from_int(atoi(argv[3])));
  }
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
