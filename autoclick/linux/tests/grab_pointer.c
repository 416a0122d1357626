/* Holds the pointer for the pick tests, as another program in the middle of a drag or with a menu
 * open would: an active grab of the pointer on a small window of its own. Once the grab is held it
 * writes READY_FILE and waits to be killed; when the grab is refused it says why and ends with 1.
 * Usage: grab_pointer READY_FILE */
#include <X11/Xlib.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s READY_FILE\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "grab_pointer: cannot open the display\n");
    return 2;
  }
  XSetWindowAttributes attributes;
  attributes.override_redirect = True;
  const Window window =
      XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, CopyFromParent, InputOnly,
                    CopyFromParent, CWOverrideRedirect, &attributes);
  XMapWindow(display, window);
  XSync(display, False);
  const int status = XGrabPointer(display, window, False, ButtonPressMask, GrabModeAsync,
                                  GrabModeAsync, None, None, CurrentTime);
  if (status != GrabSuccess) {
    printf("grab_pointer: the grab was refused (%d)\n", status);
    return 1;
  }
  FILE* ready = fopen(argv[1], "w");
  if (ready == NULL) return 2;
  fputs("holding the pointer\n", ready);
  fclose(ready);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
