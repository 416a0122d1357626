/* A click target for the smoke tests: one plain X window at a given place that counts the
 * presses of the left button on it, rewriting the count file after each. It writes the count 0
 * once the window is mapped, so a test knows when to start.
 * Usage: click_target COUNT_FILE X Y WIDTH HEIGHT */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

static void write_count(const char* path, long count) {
  char temporary[4096];
  snprintf(temporary, sizeof temporary, "%s.tmp", path);
  FILE* file = fopen(temporary, "w");
  if (file == NULL) return;
  fprintf(file, "%ld\n", count);
  if (fclose(file) == 0) rename(temporary, path);
}

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: %s COUNT_FILE X Y WIDTH HEIGHT\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "click_target: cannot open the display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes;
  attributes.background_pixel = 0xcc3333;
  attributes.event_mask = ButtonPressMask | StructureNotifyMask;
  /* Placed where asked even under a window manager. */
  attributes.override_redirect = True;
  Window window = XCreateWindow(display, RootWindow(display, screen), atoi(argv[2]), atoi(argv[3]),
                                (unsigned)atoi(argv[4]), (unsigned)atoi(argv[5]), 0, CopyFromParent,
                                InputOutput, CopyFromParent,
                                CWBackPixel | CWEventMask | CWOverrideRedirect, &attributes);
  XStoreName(display, window, "click target");
  XMapRaised(display, window);

  long count = 0;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify) write_count(argv[1], count);
    if (event.type == ButtonPress && event.xbutton.button == Button1) write_count(argv[1], ++count);
  }
}
