/* A click target for the smoke tests: one plain X window at a given place that counts the
 * presses of the left button on it, and tells single clicks from double clicks, rewriting the
 * count file after each press as one line "PRESSES SINGLES DOUBLES". It writes "0 0 0" once the
 * window is mapped, so a test knows when to start.
 * A press that follows a single click within the double-click time turns it into a double click,
 * as a toolkit's double-click detection does; the press after a double click begins a new click.
 * With EVENT_LOG it also appends a line for each press and release of the left button, as the
 * Windows click target of the end-to-end tests logs them: "down X Y T", "dblclk X Y T" (the press
 * that made a double click) or "up X Y T", at screen point X, Y and server time T in ms; and
 * "key VK" for a key pressed while it has the keyboard focus, VK the key's Windows virtual-key
 * code (letters, digits, F1 to F12).
 * Usage: click_target COUNT_FILE X Y WIDTH HEIGHT [EVENT_LOG] */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>

/* The toolkits' usual double-click time. The program's double click presses twice back to back;
 * its single clicks at the shortest periods come about a tenth of a second apart, but those runs
 * are counted by presses alone. */
#define DOUBLE_CLICK_MS 400

/* The Windows virtual-key code of a key, as the Windows click target logs keys; 0 for others. */
static int virtual_key(KeySym key) {
  if (key >= XK_a && key <= XK_z) return (int)(key - XK_a) + 'A';
  if (key >= XK_A && key <= XK_Z) return (int)(key - XK_A) + 'A';
  if (key >= XK_0 && key <= XK_9) return (int)(key - XK_0) + '0';
  if (key >= XK_F1 && key <= XK_F12) return (int)(key - XK_F1) + 0x70;
  return 0;
}

struct counts {
  long presses, singles, doubles;
};

static void write_counts(const char* path, const struct counts* counts) {
  char temporary[4096];
  snprintf(temporary, sizeof temporary, "%s.tmp", path);
  FILE* file = fopen(temporary, "w");
  if (file == NULL) return;
  fprintf(file, "%ld %ld %ld\n", counts->presses, counts->singles, counts->doubles);
  if (fclose(file) == 0) rename(temporary, path);
}

int main(int argc, char** argv) {
  if (argc != 6 && argc != 7) {
    fprintf(stderr, "usage: %s COUNT_FILE X Y WIDTH HEIGHT [EVENT_LOG]\n", argv[0]);
    return 2;
  }
  FILE* events = NULL;
  if (argc == 7 && (events = fopen(argv[6], "w")) == NULL) {
    fprintf(stderr, "click_target: cannot write %s\n", argv[6]);
    return 1;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "click_target: cannot open the display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes;
  attributes.background_pixel = 0xcc3333;
  attributes.event_mask = ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;
  /* Placed where asked even under a window manager. */
  attributes.override_redirect = True;
  Window window = XCreateWindow(display, RootWindow(display, screen), atoi(argv[2]), atoi(argv[3]),
                                (unsigned)atoi(argv[4]), (unsigned)atoi(argv[5]), 0, CopyFromParent,
                                InputOutput, CopyFromParent,
                                CWBackPixel | CWEventMask | CWOverrideRedirect, &attributes);
  XStoreName(display, window, "click target");
  XMapRaised(display, window);

  struct counts counts = {0, 0, 0};
  int single_pending = 0; /* the last press was a single click that a press may yet double */
  Time last_press = 0;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify) write_counts(argv[1], &counts);
    if (event.type == KeyPress && events != NULL) {
      const int code = virtual_key(XLookupKeysym(&event.xkey, 0));
      if (code != 0) {
        fprintf(events, "key %d\n", code);
        fflush(events);
      }
      continue;
    }
    if (event.type != ButtonPress && event.type != ButtonRelease) continue;
    if (event.xbutton.button != Button1) continue;
    const Time now = event.xbutton.time;
    const char* kind = "up";
    if (event.type == ButtonPress) {
      ++counts.presses;
      /* Server times are 32-bit milliseconds that wrap; the 32-bit difference stays right. */
      if (single_pending && (unsigned int)(now - last_press) <= DOUBLE_CLICK_MS) {
        --counts.singles;
        ++counts.doubles;
        single_pending = 0;
        kind = "dblclk";
      } else {
        ++counts.singles;
        single_pending = 1;
        kind = "down";
      }
      last_press = now;
    }
    if (events != NULL) {
      fprintf(events, "%s %d %d %lu\n", kind, event.xbutton.x_root, event.xbutton.y_root,
              (unsigned long)now);
      fflush(events);
    }
    if (event.type == ButtonPress) write_counts(argv[1], &counts);
  }
}
