"""The X11 backend: the native Linux tapvane on a virtual X server, read through the program's own
test hooks and driven with real X input (xdotool), as a user would.

The hooks (platform/qt, test support): with CLICKORA_DUMP_FIELDS, _MESSAGE and _HELP naming files,
the program rewrites them whole after every change as "Name=text" lines: each control's text,
".Rect", ".Visible", ".Enabled" and ".Value" (option buttons), "Command4.Caption", ".ToolTip",
"Focus", "Form.Caption", "Form.Client" (the client area's top left on the screen) and the last
"Message"; the message box's Caption, Text, Icon and Buttons; the help's Title, Heading and Page.
"""
import contextlib
import dataclasses
import os
import shutil
import subprocess
import time

from . import product
from .app import App, Control, Dialog, Failure, Snapshot, Window, log
from .click_log import ClickLog
from .private_dbus import PrivateDBus
from .testenv import XServer, stop_process

TARGET_TITLE = "click target"
PICK_CLASS = "ClickoraPick"
# Where the click target lies on the screen: left, top, width, height (as the Wine backend's).
TARGET_PLACE = (650, 100, 300, 200)
# The menu bar's items as the toolkit lays them out, from the window's left edge: "File", "Manual".
MENU_BAR_OFFSETS = {"file": 20, "regis": 65}
KINDS = {"TextBox": "Edit", "CommandButton": "Button", "OptionButton": "Button"}


def read_dump(path):
    """The "Name=text" lines of a dump file as a dict; empty while there is none."""
    try:
        with open(path, encoding="utf-8") as dump:
            lines = dump.read().split("\n")
    except FileNotFoundError:
        return {}
    return dict(line.split("=", 1) for line in lines if "=" in line)


class X11App(App):
    def __init__(self, case, process):
        self.case = case
        self.process = process
        self.title = product.text("kWindowCaption")
        self.design = product.design()

    def xdotool(self, *args, check=False):
        return self.case.xdotool(*args, check=check)

    def fields(self):
        return read_dump(self.case.fields_path)

    def x_window(self):
        found = self.x_windows(self.title)
        if not found:
            raise Failure(f"no X window {self.title!r}")
        return found[0]

    def geometry(self, window):
        """(left, top, width, height) of an X window's client on the screen, and its frame's
        widths (left, right, top, bottom), 0 without a window manager."""
        info = self.case.run("xwininfo", "-id", window)
        value = lambda label: int(next(line.split(":", 1)[1] for line in info.splitlines()  # noqa: E731
                                       if line.strip().startswith(label)))
        place = (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                 value("Height"))
        extents = self.case.run("xprop", "-id", window, "_NET_FRAME_EXTENTS")
        frame = (0, 0, 0, 0)
        if "=" in extents:
            frame = tuple(int(v) for v in extents.split("=", 1)[1].split(","))
        return place, frame

    def wm_state(self, window=None):
        state = self.case.run("xprop", "-id", window or self.x_window(), "WM_STATE")
        return "minimized" if "Iconic" in state else "normal"

    # Reads.
    def snapshot(self):
        fields = self.fields()
        window = self.x_window()
        (left, top, width, height), (fl, fr, ft, fb) = self.geometry(window)
        client = tuple(int(v) for v in fields.get("Form.Client", f"{left},{top}").split(","))
        outer = (left - fl, top - ft, left + width + fr, top + height + fb)
        state = self.wm_state(window)
        controls = {}
        for design in self.design.controls:
            name = design.name
            if f"{name}.Rect" not in fields:
                continue
            text = fields.get(f"{name}.Caption", fields.get(name, ""))
            value = fields.get(f"{name}.Value")
            controls[name] = Control(
                name=name, kind=KINDS.get(design.kind, design.kind), text=text,
                visible=fields.get(f"{name}.Visible") == "True",
                enabled=fields.get(f"{name}.Enabled") == "True",
                checked=None if value is None else value == "True",
                rect=tuple(int(v) for v in fields[f"{name}.Rect"].split(",")),
                focused=fields.get("Focus") == name)
        shown = Window(title=fields.get("Form.Caption", ""), outer=outer, client=client,
                       client_size=(width, top + height - client[1]), state=state)
        return Snapshot(shown, controls)

    def dialog(self, title):
        found = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()
        if not found:
            return None
        (left, top, width, height), frame = self.geometry(found[0])
        children = ()
        fields = self.fields()
        if fields.get("FileDialog.Title") == title:
            # The program's file dialog, once up: its name box, which has the focus.
            children = (Control("Edit", "Edit", fields.get("FileDialog.FileName", ""), True, True,
                                None, (0, 0, 0, 0), True),)
        if title == product.text("kApplicationTitle"):
            # The program's message box, as its hook wrote it once it was up; its one button has
            # the focus.
            box = read_dump(self.case.message_path)
            if "Buttons" not in box:
                return None
            children = (Control("Static", "Static", box["Text"].replace("\\n", "\n"), True, True,
                                None, (0, 0, 0, 0), False),
                        *(Control("Button", "Button", caption, True, True, None, (0, 0, 0, 0),
                                  True) for caption in box["Buttons"].split("|")))
        place = {"title": title, "client": (left, top), "children": children}
        if "outer" in {field.name for field in dataclasses.fields(Dialog)}:
            place["outer"] = (left - frame[0], top - frame[2], left + width + frame[1],
                              top + height + frame[3])
        return Dialog(**place)

    def message_box(self):
        """What the last message box showed: Caption, Text, Icon ("none" or "shown"), Buttons."""
        return read_dump(self.case.message_path)

    def answer_message(self, title=None, key="Return"):
        super().answer_message(title, key)
        # The next box writes its own dump: none of this one's is taken for it.
        with contextlib.suppress(FileNotFoundError):
            os.remove(self.case.message_path)

    def help_page(self):
        """What the help window shows: Title, Heading and Page (its file name)."""
        return read_dump(self.case.help_path)

    def windows(self):
        shown = []
        for window in self.xdotool("search", "--onlyvisible", "--name", ".").split():
            name = self.xdotool("getwindowname", window)
            kind = self.case.run("xprop", "-id", window, "WM_CLASS").split("=", 1)[-1].strip()
            shown.append((kind, name))
        return shown

    def tip(self, name):
        tip = self.fields().get(f"{name}.ToolTip")
        # The dump keeps a tip's line breaks as "\n".
        return tip.replace("\\n", "\n") if tip is not None else None

    def alive(self):
        return self.process.poll() is None

    def exit_status(self):
        return self.process.poll()

    def pointer(self):
        location = dict(part.split(":") for part in self.xdotool("getmouselocation").split()[:2])
        return int(location["x"]), int(location["y"])

    def screenshot(self, path):
        self.case.screenshot(path)

    def x_windows(self, title):
        return self.xdotool("search", "--name", f"^{title}$").split()

    # Input.
    def move_pointer(self, x, y):
        self.xdotool("mousemove", x, y, check=True)

    def click_at(self, x, y, repeat=1, delay_ms=60):
        self.xdotool("mousemove", x, y, "sleep", "0.05", "click", "--repeat", repeat, "--delay",
                     delay_ms, "1", check=True)

    def drag(self, x1, y1, x2, y2, steps=8):
        self.xdotool("mousemove", x1, y1, "sleep", "0.1", "mousedown", "1", check=True)
        for i in range(1, steps + 1):
            self.xdotool("mousemove", x1 + (x2 - x1) * i // steps, y1 + (y2 - y1) * i // steps,
                         "sleep", "0.05")
        self.xdotool("sleep", "0.1", "mouseup", "1")

    def double_click_at(self, x, y):
        self.xdotool("mousemove", x, y, "sleep", "0.05", "click", "--repeat", "2", "--delay", "80",
                     "1", check=True)

    def right_click_at(self, x, y):
        self.xdotool("mousemove", x, y, "sleep", "0.05", "click", "3", check=True)

    def picking(self):
        # The pick's input window over the root carries the class of the Windows popup.
        return bool(self.xdotool("search", "--class", f"^{PICK_CLASS}$"))

    def kept_awake(self):
        """Held through one of the desktop's services more often than given back (the log of
        the case's D-Bus stand-ins)."""
        lines = self.case.dbus.lines()
        held = sum(line.startswith("inhibit ") for line in lines)
        return held > sum(line.startswith("release ") for line in lines)

    def set_session_locked(self, locked):
        self.case.dbus.standin("SetLocked", f"boolean:{'true' if locked else 'false'}")

    def keys(self, *keys):
        self.xdotool("key", "--delay", "20", *keys, check=True)

    def type_text(self, text):
        # "--": a text that begins with a minus sign is no option.
        self.xdotool("type", "--delay", "20", "--", text, check=True)

    def activate(self, title=None):
        found = self.x_windows(title or self.title)
        if not found:
            raise Failure(f"no X window {title or self.title!r} to give the keyboard to")
        # NOTE: without a window manager there is no active window to ask for; the focus is set.
        self.xdotool("windowfocus", "--sync", found[-1])

    def give_keyboard(self, title=None):  # noqa: ARG002 - X11 has no desktop of a window
        """Keys go to the window the user last clicked, the one under the pointer.
        NOTE: without a window manager a click makes no window the active one; the focus is set
        to the window under the pointer, as a click-to-focus desktop would."""
        under = dict(part.split(":") for part in self.xdotool("getmouselocation").split())
        self.xdotool("windowfocus", "--sync", under["window"], check=True)

    def choose_menu(self, menu, index):
        left, top = self.snapshot().window.outer[:2]
        self.click_at(left + MENU_BAR_OFFSETS[menu.name], top + 10)
        time.sleep(0.3)
        # A menu opened by a click has no item selected: Down selects the first.
        self.keys(*["Down"] * (index + 1), "Return")

    def stop(self):
        if self.alive():
            self.process.terminate()
            self.process.wait(timeout=30)
        self.poll("the window to go after the program was ended",
                  lambda: not self.x_windows(self.title), 15)


class X11ClickTarget(ClickLog):
    """click_target with its event log: the presses and releases of the left button on it."""

    def __init__(self, process, log_path, counts_path):
        super().__init__(process, log_path)
        self.counts_path = counts_path


class X11Case:
    """One test: its work folder and display, the programs it started (ended at its end)."""

    def __init__(self, backend, name):
        self.backend = backend
        self.name = name
        self.dir = os.path.join(backend.config["work"], name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.display = backend.server.display
        self.fields_path = os.path.join(self.dir, "fields.txt")
        self.message_path = os.path.join(self.dir, "message.txt")
        self.help_path = os.path.join(self.dir, "help.txt")
        self.processes = []
        self.servers = []
        self.undo = []
        self.app = None
        self.extra_env = {}
        self.dbus = None

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb")
        # A desktop's own settings stay out of the program: only what the case gives it.
        for name in ("XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY",
                     "XDG_SESSION_TYPE"):
            env.pop(name, None)
        env.update(self.extra_env)
        env.update(extra)
        return {k: v for k, v in env.items() if v is not None}

    def run(self, *args, check=False, timeout=30):
        result = subprocess.run([str(a) for a in args], capture_output=True, text=True,
                                timeout=timeout, env=self.env())
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(map(str, args))} failed: {result.stderr.strip()}")
        return result.stdout.strip()

    def xdotool(self, *args, check=False):
        return self.run("xdotool", *args, check=check)

    def own_server(self, extra=()):
        """An X server of the case's own (with EXTRA options): the case's programs use it."""
        server = XServer.start(log_path=os.path.join(self.dir, "xvfb.log"), extra=extra)
        self.servers.append(server)
        self.display = server.display
        return server

    def program_path(self, path):
        """PATH as the program names it (the same path on Linux)."""
        return path

    def spawn(self, args, output, env=None):
        with open(os.path.join(self.dir, output), "wb") as out:
            process = subprocess.Popen([str(a) for a in args], cwd=self.dir,
                                       env=self.env(**(env or {})), stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=out)
        self.processes.append(process)
        return process

    def start_dbus(self, services="login1"):
        """The case's own session and system buses with the desktop's services that SERVICES
        names (login1, portal, screensaver; "" for none); the programs it starts use them."""
        if self.dbus is not None:
            self.dbus.stop()
        self.dbus = PrivateDBus(self.dir, services)
        self.extra_env.update(self.dbus.env())
        return self.dbus

    def start_unwindowed(self, exe=None, env=None):
        """Starts tapvane (or EXE) without waiting for its window; on buses of the case's own,
        with logind to keep the computer awake unless the case chose others."""
        if self.dbus is None:
            self.start_dbus()
        hooks = {"CLICKORA_DUMP_FIELDS": self.fields_path, "CLICKORA_DUMP_MESSAGE": self.message_path,
                 "CLICKORA_DUMP_HELP": self.help_path}
        process = self.spawn([exe or self.backend.config["tapvane"]], "tapvane.out",
                             env=dict(hooks, **(env or {})))
        self.app = X11App(self, process)
        return self.app

    def start_app(self, exe=None, env=None, wait_readout=True):
        """Starts tapvane (or EXE) in the case's folder and waits for its window and the first
        tick of its read-out."""
        started = time.monotonic()
        app = self.start_unwindowed(exe, env)
        title = product.text("kWindowCaption")
        app.poll("the window to appear", lambda: app.x_windows(title) or not app.alive(), 20)
        if not app.alive():
            raise Failure(f"tapvane ended with {app.exit_status()} before its window came up")
        app.poll("the caption", lambda: app.fields().get("Form.Caption") == title, 10)
        if wait_readout:
            app.poll("the read-out to start", lambda: app.fields().get("Text2", "").startswith(
                product.text("kReadoutX")), 10)
        log.info("%7.2f s  start tapvane", time.monotonic() - started)
        return app

    def start_target(self, times=False, place=TARGET_PLACE):  # noqa: ARG002 - times always logged
        """The click target at PLACE (left, top, width, height)."""
        log_path = os.path.join(self.dir, "clicks.log")
        counts = os.path.join(self.dir, "clicks.txt")
        process = self.spawn([self.backend.config["click_target"], counts, *place, log_path],
                             "click_target.out")
        deadline = time.monotonic() + 10
        while not os.path.exists(counts):
            if time.monotonic() > deadline or process.poll() is not None:
                raise Failure("the click target did not come up")
            time.sleep(0.05)
        return X11ClickTarget(process, log_path, counts)

    def start_holder(self):
        """Another program that holds F6 until it is ended."""
        ready = os.path.join(self.dir, "grabbed.txt")
        process = self.spawn([self.backend.config["grab_key"], ready], "holder.out")
        deadline = time.monotonic() + 10
        while not os.path.exists(ready):
            if time.monotonic() > deadline or process.poll() is not None:
                raise Failure("the other program could not take F6")
            time.sleep(0.05)
        return process

    def start_pointer_holder(self):
        """Another program that holds the pointer (an active grab) until it is ended."""
        ready = os.path.join(self.dir, "pointer-grabbed.txt")
        process = self.spawn([self.backend.config["grab_pointer"], ready], "pointer-holder.out")
        deadline = time.monotonic() + 10
        while not os.path.exists(ready):
            if time.monotonic() > deadline or process.poll() is not None:
                raise Failure("the other program could not take the pointer")
            time.sleep(0.05)
        return process

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.run("import", "-window", "root", path, check=True)

    def end(self, process):
        stop_process(process)

    def finish(self):
        for process in reversed(self.processes):
            self.end(process)
        for undo in reversed(self.undo):
            undo()
        if self.dbus is not None:
            self.dbus.stop()
        for server in reversed(self.servers):
            server.stop()


class X11Backend:
    """A virtual X server of the session's own, on which each case starts the native tapvane."""

    name = "x11"

    def __init__(self, config):
        self.config = config
        os.makedirs(config["work"], exist_ok=True)
        self.server = XServer.start(log_path=os.path.join(config["work"], "xvfb.log"))

    def close(self):
        self.server.stop()

    def case(self, name):
        return X11Case(self, name)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], check=True, timeout=30,
                       env=dict(os.environ, DISPLAY=self.server.display),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
