"""The one interface the scenarios drive tapvane through, whatever the desktop.

A backend (Wine, X11) implements the few reads and inputs marked "backend"; the steps a user takes
(typing into a field, pressing a control, choosing a menu item, waiting) are written once here on
top of them. Controls are named as the design names them (Text4, Command4, ...). Every step is
logged with its duration; waiting is one poll(); a failed expectation says what differed.
"""
import contextlib
import dataclasses
import logging
import time

from . import product

log = logging.getLogger("clickora_e2e")


class Failure(AssertionError):
    """A scenario's expectation that did not hold."""


@dataclasses.dataclass(frozen=True)
class Control:
    name: str
    kind: str  # the backend's class name (Edit, Button, ...)
    text: str
    visible: bool
    enabled: bool
    checked: object  # True/False for option buttons, None for others
    rect: tuple  # (x, y, width, height) in pixels from the client area's top left
    focused: bool

    @property
    def centre(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2


@dataclasses.dataclass(frozen=True)
class Window:
    title: str
    outer: tuple  # (left, top, right, bottom) in screen pixels
    client: tuple  # (x, y) of the client area's origin in screen pixels
    client_size: tuple
    state: str  # normal, minimized, maximized

    @property
    def width(self):
        return self.outer[2] - self.outer[0]

    @property
    def height(self):
        return self.outer[3] - self.outer[1]


@dataclasses.dataclass(frozen=True)
class Snapshot:
    """Every control of the window at one moment."""
    window: Window
    controls: dict  # design name -> Control
    others: tuple = ()  # children the design does not name (a backend's own), as Controls

    def __getitem__(self, name):
        try:
            return self.controls[name]
        except KeyError:
            raise Failure(f"no control {name} in the window; it has {sorted(self.controls)}") from None

    @property
    def focus(self):
        for control in self.controls.values():
            if control.focused:
                return control.name
        return None

    def screen_point(self, name):
        """The screen point at the centre of the control NAME."""
        x, y = self[name].centre
        return self.window.client[0] + x, self.window.client[1] + y

    def describe(self):
        w = self.window
        lines = [f"window {w.title!r} outer {w.outer} client at {w.client} size {w.client_size} "
                 f"{w.state}"]
        for c in list(self.controls.values()) + list(self.others):
            flags = "".join([" hidden" if not c.visible else "", " disabled" if not c.enabled else "",
                             " checked" if c.checked else "", " focus" if c.focused else ""])
            shown = c.text if len(c.text) <= 60 else c.text[:57] + f"... ({len(c.text)} chars)"
            lines.append(f"  {c.name:9} {c.kind:8} {c.rect}{flags} {shown!r}")
        return "\n".join(lines)


@dataclasses.dataclass(frozen=True)
class Dialog:
    """Another top-level window (a message box, a file dialog): its title and children."""
    title: str
    client: tuple
    children: tuple  # Controls; name is the backend's class name
    outer: tuple = None  # (left, top, right, bottom) in screen pixels, where the backend knows it

    def texts(self):
        return [c.text for c in self.children]

    def has_text(self, text):
        return text in self.texts()

    def line_containing(self, part):
        return next((t for t in self.texts() if part in t), None)

    def button(self):
        return next((c for c in self.children if c.kind.lower() == "button"), None)


def _shown(value):
    return repr(value) if not isinstance(value, str) or len(value) <= 80 else \
        repr(value[:77] + "...") + f" ({len(value)} chars)"


class App:
    """tapvane's window as a user meets it. Backends implement the methods that raise
    NotImplementedError; the scenarios use the rest."""

    # Backend: reads.
    def snapshot(self):
        raise NotImplementedError

    def dialog(self, title):
        """The top-level window TITLE as a Dialog, or None when none is showing."""
        raise NotImplementedError

    def windows(self):
        """Every visible top-level window: a list of (class, title)."""
        raise NotImplementedError

    def tip(self, name):
        """The tooltip text of the button or text box NAME."""
        raise NotImplementedError

    def alive(self):
        raise NotImplementedError

    def exit_status(self):
        """The program's exit status once it has ended, else None."""
        raise NotImplementedError

    def pointer(self):
        """(x, y) of the pointer on the screen."""
        raise NotImplementedError

    def screenshot(self, path):
        """Saves the whole screen as PNG at PATH."""
        raise NotImplementedError

    def x_windows(self, title):
        """The X windows titled TITLE."""
        raise NotImplementedError

    # Backend: input, as a user gives it.
    def move_pointer(self, x, y):
        raise NotImplementedError

    def click_at(self, x, y, repeat=1, delay_ms=60):
        """Moves the pointer to X, Y and clicks the left button REPEAT times, DELAY_MS apart."""
        raise NotImplementedError

    def drag(self, x1, y1, x2, y2, steps=8):
        """Presses the left button at the first point, moves in steps to the second, lets go."""
        raise NotImplementedError

    def clip(self, text):
        """Puts TEXT on the clipboard."""
        raise NotImplementedError

    def double_click_at(self, x, y):
        raise NotImplementedError

    def right_click_at(self, x, y):
        raise NotImplementedError

    def picking(self):
        """Whether the program's pick surface (F8) is up, waiting for the click."""
        raise NotImplementedError

    def kept_awake(self):
        """Whether the program keeps the computer from sleeping now."""
        raise NotImplementedError

    # Backend: the system around the program.
    def set_session_locked(self, locked):
        """The session locked (or unlocked again), as the system tells the program."""
        raise NotImplementedError

    def keys(self, *keys):
        """Presses and releases each key (xdotool names: Return, Tab, F1, ctrl+a)."""
        raise NotImplementedError

    def type_text(self, text):
        raise NotImplementedError

    def activate(self, title=None):
        """Makes the window TITLE (the program's window by default) the active one, with the
        keyboard."""
        raise NotImplementedError

    def give_keyboard(self, title=None):
        """Gives the keyboard to the desktop of the window TITLE, leaving which window is active
        as it is (keys then reach the active window, whichever it is)."""
        raise NotImplementedError

    def activate_window(self):
        """Makes the program's window the active one, so that its own keys (F8) reach it."""
        self.activate()

    def close(self, title=None):
        """Asks the window to close, as its close box does."""
        raise NotImplementedError

    def choose_menu(self, menu, index):
        """Opens the menu (a product.Menu) and chooses its item at INDEX."""
        raise NotImplementedError

    def stop(self):
        """Ends the program (the one this App started) and waits until its window is gone."""
        raise NotImplementedError

    # Steps, written once.
    @contextlib.contextmanager
    def step(self, description):
        started = time.monotonic()
        try:
            yield
        finally:
            log.info("%7.2f s  %s", time.monotonic() - started, description)

    def poll(self, description, until, timeout=10.0, interval=0.05, last=None):
        """Calls UNTIL until it returns a true value (returned) or TIMEOUT seconds have passed
        (Failure, with what LAST, a callable, says about the state then)."""
        started = time.monotonic()
        reads = 0
        while True:
            reads += 1
            value = until()
            if value:
                log.info("%7.2f s  poll: %s (%d reads)", time.monotonic() - started, description,
                         reads)
                return value
            if time.monotonic() - started >= timeout:
                seen = f"; {last()}" if last else ""
                log.info("%7.2f s  poll: %s TIMED OUT", time.monotonic() - started, description)
                raise Failure(f"timed out after {timeout:g} s waiting for {description}{seen}")
            time.sleep(interval)

    def holds(self, description, condition, seconds, interval=0.1, last=None):
        """Checks CONDITION for SECONDS: a Failure the first time it is false."""
        started = time.monotonic()
        while time.monotonic() - started < seconds:
            if not condition():
                seen = f"; {last()}" if last else ""
                raise Failure(f"{description} held only {time.monotonic() - started:.1f} s{seen}")
            time.sleep(interval)
        log.info("%7.2f s  held: %s", seconds, description)

    def control(self, name):
        return self.snapshot()[name]

    def text(self, name):
        return self.control(name).text

    def expect(self, snapshot=None, **wanted):
        """Checks controls of a snapshot (a fresh one by default): NAME="text" for the text, or
        NAME=dict(text=..., enabled=..., visible=..., checked=...). Lists every difference."""
        snapshot = snapshot or self.snapshot()
        differences = []
        for name, want in wanted.items():
            want = want if isinstance(want, dict) else {"text": want}
            control = snapshot.controls.get(name)
            if control is None:
                differences.append(f"{name}: no such control")
                continue
            for field, value in want.items():
                actual = getattr(control, field)
                if actual != value:
                    differences.append(f"{name}.{field}: expected {_shown(value)}, got {_shown(actual)}")
        if differences:
            raise Failure("the window differs from what was expected:\n  " + "\n  ".join(differences)
                          + "\n" + snapshot.describe())
        return snapshot

    def wait_for(self, description, timeout=10.0, **wanted):
        """Polls until the controls match WANTED (as expect takes it)."""
        def matches():
            try:
                return self.expect(**wanted)
            except Failure:
                return None
        return self.poll(description, matches, timeout, last=lambda: self._differences(wanted))

    def _differences(self, wanted):
        try:
            self.expect(**wanted)
            return "it matches now"
        except Failure as failure:
            return str(failure)

    def click(self, name):
        """Clicks the centre of the control NAME."""
        with self.step(f"click {name}"):
            snapshot = self.snapshot()
            self.click_at(*snapshot.screen_point(name))

    def double_click(self, name):
        """Double-clicks the centre of the control NAME."""
        with self.step(f"double-click {name}"):
            self.double_click_at(*self.snapshot().screen_point(name))

    def type_into(self, name, text, expect=None):
        """Replaces the text of the text box NAME by typing TEXT; it then holds EXPECT (TEXT by
        default)."""
        expect = text if expect is None else expect
        with self.step(f"type {_shown(text)} into {name}"):
            # NOTE: the keys are the test's input, not the program's. On a loaded machine a burst
            # of them can overtake the click that moves the focus; then the box is cleared and
            # typed once more (said in the log), and a second miss fails.
            for attempt in (1, 2):
                self.click(name)
                self.keys("End", "shift+Home", "BackSpace")
                if text:
                    self.type_text(text)
                try:
                    self.poll(f"{name} to hold {_shown(expect)}", lambda: self.text(name) == expect,
                              5, last=lambda: f"{name} holds {_shown(self.text(name))}")
                    return
                except Failure:
                    if attempt == 2:
                        raise
                    log.warning("typing into %s missed (%s); typed again", name,
                                _shown(self.text(name)))

    def set_fields(self, **texts):
        for name, text in texts.items():
            self.type_into(name, str(text))

    def menu(self, item):
        """Chooses the menu item of the design name ITEM (openna, Savena, exitna, Aboutja)."""
        menu, index = product.menu_of_item(item)
        with self.step(f"menu {menu.caption} > {menu.items[index][1]}"):
            self.choose_menu(menu, index)

    def wait_dialog(self, title, timeout=15.0):
        return self.poll(f"a window titled {title!r}", lambda: self.dialog(title), timeout,
                         last=lambda: f"windows: {self.windows()}")

    def wait_dialog_ready(self, title, timeout=15.0):
        """Waits for the dialog TITLE until it is ready for keys (a backend that can tell waits
        until one of its controls has the focus)."""
        return self.wait_dialog(title, timeout)

    def wait_dialog_gone(self, title, timeout=15.0):
        self.poll(f"the window {title!r} to close", lambda: self.dialog(title) is None, timeout)

    def answer_message(self, title=None, key="Return"):
        """Presses KEY (OK) in the message box TITLE (the application title by default)."""
        title = title or product.text("kApplicationTitle")
        with self.step(f"answer {title!r} with {key}"):
            self.wait_dialog_ready(title)
            self.activate(title)
            self.keys(key)
            self.wait_dialog_gone(title, 10)

    def count_windows(self, title=None, kind=None):
        """Visible top-level windows titled TITLE and/or of the class KIND."""
        return sum(1 for k, t in self.windows()
                   if (title is None or t == title) and (kind is None or k == kind))

    def enter_in_file_dialog(self, title, path):
        """Types PATH as the file name of the file dialog TITLE and presses Enter, leaving what
        follows to the caller."""
        with self.step(f"enter {path!r} in the {title!r} dialog"):
            self.wait_dialog_ready(title)
            self.activate(title)
            self.keys("ctrl+a", "BackSpace")
            self.type_text(path)
            self.keys("Return")

    def answer_file_dialog(self, title, path):
        """Chooses PATH in the file dialog TITLE; the dialog closes."""
        self.enter_in_file_dialog(title, path)
        self.wait_dialog_gone(title)

    def press_ok(self, title):
        """Presses the OK button of the message box TITLE with the mouse, as a user would."""
        dialog = self.wait_dialog(title)
        button = dialog.button()
        if button is None:
            raise Failure(f"the message {title!r} has no button: {dialog.texts()}")
        x, y = button.centre
        self.click_at(dialog.client[0] + x, dialog.client[1] + y)
        self.wait_dialog_gone(title, 10)

    def wait_ended(self, timeout=15.0):
        """Waits until the program has ended; its exit status."""
        self.poll("the program to end", lambda: not self.alive(), timeout)
        return self.exit_status()
