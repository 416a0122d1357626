/* Keys for a window on an X server without XTEST, where no input can be faked: each key is sent
 * to the window as a KeyPress and KeyRelease event (XSendEvent), as the toolkit takes them.
 * Usage: send_keys WINDOW_ID KEY...   (KEY: a keysym name: Tab, space, 0, period, Return) */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

static void send_key(Display* display, Window window, KeyCode code, int type) {
  XKeyEvent key = {0};
  key.type = type;
  key.display = display;
  key.window = window;
  key.root = DefaultRootWindow(display);
  key.subwindow = None;
  key.time = CurrentTime;
  key.same_screen = True;
  key.keycode = code;
  XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
             (XEvent*)&key);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s WINDOW_ID KEY...\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "send_keys: cannot open the display\n");
    return 1;
  }
  const Window window = (Window)strtoul(argv[1], NULL, 0);
  for (int i = 2; i < argc; ++i) {
    const KeySym symbol = XStringToKeysym(argv[i]);
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
    if (code == 0) {
      fprintf(stderr, "send_keys: no key %s\n", argv[i]);
      return 1;
    }
    send_key(display, window, code, KeyPress);
    send_key(display, window, code, KeyRelease);
    XSync(display, False);
  }
  XCloseDisplay(display);
  return 0;
}
