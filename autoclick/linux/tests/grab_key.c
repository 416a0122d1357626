/* Holds F6 for the smoke tests, as another program of the desktop would: a passive grab of the
 * key on the root window with every lock combination. Once the key is held it writes READY_FILE
 * and waits to be killed; when another client holds the key already it says so and ends with 1.
 * Usage: grab_key READY_FILE */
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <stdio.h>

static int refused = 0;

static int on_error(Display* display, XErrorEvent* error) {
  (void)display;
  if (error->error_code == BadAccess) refused = 1;
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s READY_FILE\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "grab_key: cannot open the display\n");
    return 2;
  }
  XSetErrorHandler(on_error);
  const KeyCode f6 = XKeysymToKeycode(display, XK_F6);
  const unsigned int variants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};
  for (unsigned int i = 0; i < sizeof variants / sizeof variants[0]; ++i) {
    XGrabKey(display, f6, variants[i], DefaultRootWindow(display), False, GrabModeAsync,
             GrabModeAsync);
  }
  XSync(display, False);
  if (refused) {
    printf("grab_key: F6 is taken\n");
    return 1;
  }
  FILE* ready = fopen(argv[1], "w");
  if (ready == NULL) return 2;
  fputs("holding F6\n", ready);
  fclose(ready);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
