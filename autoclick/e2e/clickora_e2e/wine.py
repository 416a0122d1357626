"""The Wine backend: tapvane.exe in the tests' virtual desktop, read through one persistent probe.exe
(serve mode) and driven with real X input (xdotool), as a user would.

NOTE: only top-level Wine windows are X windows, so the controls can only be read from inside
Wine; the probe answers a command a line, so a case costs one Wine start, not one per read.
"""
import os
import select
import shutil
import subprocess
import time

from . import product
from .app import App, Control, Dialog, Failure, Snapshot, Window, log
from .click_log import ClickLog
from .testenv import WinePrefix, stop_process

FIRST_CONTROL_ID = 100  # the window numbers its controls from here, in design order
# NOTE: Wine keeps menus inside their process, so the probe cannot tell where the items are; they
# lie in the menu bar just above the client area, "File" first, then "Manual".
MENU_BAR_OFFSETS = {"file": 15, "regis": 53}
TARGET_TITLE = "Clickora click target"
HOLDER_TITLE = "Clickora stop key holder"
# The hidden window through which tapvane hears the session's lock, made at the first Start, and
# what the system sends it.
SESSION_WATCH_CLASS = "ClickoraSessionWatch"
WM_WTSSESSION_CHANGE = 0x02B1
WTS_SESSION_LOCK = 7
WTS_SESSION_UNLOCK = 8
# ES_CONTINUOUS | ES_SYSTEM_REQUIRED: the system kept awake until told otherwise.
KEPT_AWAKE = 0x80000001
# The window class of tapvane's pick surface, the popup over the whole screen.
PICK_CLASS = "ClickoraPick"
# Where the click target lies on the screen: left, top, width, height.
TARGET_PLACE = (650, 100, 300, 200)


def _unescape(field):
    out = []
    chars = iter(field)
    for c in chars:
        if c == "\\":
            nxt = next(chars, "")
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}.get(nxt, nxt))
        else:
            out.append(c)
    return "".join(out)


class ProbeError(RuntimeError):
    pass


class Probe:
    """probe.exe in serve mode: ask(words) -> (status, records as lists of fields)."""

    def __init__(self, prefix, exe, log_path):
        self.prefix = prefix
        self.exe = exe
        self.log_path = log_path
        self.process = None
        self.buffer = b""

    def start(self):
        with open(self.log_path, "ab") as err:
            self.process = subprocess.Popen(["wine", self.exe, "serve"], env=self.prefix.env(),
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=err)
        self.buffer = b""

    def stop(self):
        if self.process and self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        self.process = None

    def _read_answer(self, timeout):
        deadline = time.monotonic() + timeout
        records = []
        fd = self.process.stdout.fileno()
        while True:
            while b"\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\n", 1)
                fields = [_unescape(f) for f in line.decode("utf-8", "replace").rstrip("\r").split("\t")]
                if fields[0] == "end":
                    return int(fields[1]), records
                records.append(fields)
            rest = deadline - time.monotonic()
            if rest <= 0:
                raise ProbeError("the probe did not answer")
            ready, _, _ = select.select([fd], [], [], rest)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise ProbeError("the probe ended")
                self.buffer += chunk

    def ask(self, *words, timeout=30):
        line = "\t".join(str(w) for w in words).encode("utf-8") + b"\n"
        # NOTE: a Wine program now and then fails to start on a busy machine; the probe is
        # started again.
        for attempt in range(3):
            if self.process is None or self.process.poll() is not None:
                self.start()
            try:
                self.process.stdin.write(line)
                self.process.stdin.flush()
                return self._read_answer(timeout if attempt else max(timeout, 60))
            except (OSError, ProbeError) as error:
                with open(self.log_path, "a") as err:
                    err.write(f"probe {words[0]}: {error} (attempt {attempt + 1})\n")
                if self.process.poll() is None:
                    self.process.kill()
                self.process.wait()
                self.process = None
        raise ProbeError(f"the probe could not answer {' '.join(map(str, words))}")


def xdotool(*args, check=False):
    result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(map(str, args))} failed: {result.stderr.strip()}")
    return result.stdout.strip()


def _control(fields, name):
    # child CLASS X Y W H VISIBLE ENABLED CHECKED TEXT ID FOCUSED
    checked = {"1": True, "0": False}.get(fields[8])
    return Control(name=name, kind=fields[1], text=fields[9], visible=fields[6] == "1",
                   enabled=fields[7] == "1", checked=checked,
                   rect=tuple(int(v) for v in fields[2:6]), focused=fields[11] == "1")


def _window(fields):
    # window LEFT TOP RIGHT BOTTOM CX CY CW CH TITLE STATE
    return Window(title=fields[9], outer=tuple(int(v) for v in fields[1:5]),
                  client=(int(fields[5]), int(fields[6])), client_size=(int(fields[7]), int(fields[8])),
                  state=fields[10])


class WineApp(App):
    def __init__(self, case, process, title):
        self.case = case
        self.probe = case.backend.probe
        self.process = process
        self.title = title
        self.design = product.design()
        self.last = None

    # Reads.
    def snapshot(self):
        # NOTE: a read can race the window's own update and catch an empty text; the Start
        # button never has an empty caption, so such a read is taken again.
        for _ in range(3):
            status, records = self.probe.ask("texts", self.title)
            if status != 0:
                raise Failure(f"no window {self.title!r}")
            window = None
            controls = {}
            others = []
            for fields in records:
                if fields[0] == "window":
                    window = _window(fields)
                elif fields[0] == "child":
                    name = self.design.name_of_index(int(fields[10]) - FIRST_CONTROL_ID)
                    if name:
                        controls[name] = _control(fields, name)
                    else:
                        others.append(_control(fields, fields[1]))
            self.last = Snapshot(window, controls, tuple(others))
            if controls.get("Command4") and controls["Command4"].text:
                break
            time.sleep(0.05)
        return self.last

    def dialog(self, title):
        status, records = self.probe.ask("texts", title)
        if status != 0:
            return None
        window = next(_window(f) for f in records if f[0] == "window")
        return Dialog(title=window.title, outer=window.outer, client=window.client,
                      children=tuple(_control(f, f[1]) for f in records if f[0] == "child"))

    def windows(self):
        _, records = self.probe.ask("list")
        return [(f[1], f[7]) for f in records if f[0] == "top"]

    def tip(self, name):
        index = next(i for i, c in enumerate(self.design.controls) if c.name == name)
        _, records = self.probe.ask("tips", self.title)
        for fields in records:
            if fields[0] == "tip" and int(fields[4]) == FIRST_CONTROL_ID + index:
                return fields[3]
        return None

    def focused(self):
        return self.snapshot().focus

    def wait_dialog_ready(self, title, timeout=15.0):
        self.wait_dialog(title, timeout)

        def focused():
            dialog = self.dialog(title)
            return dialog is not None and any(c.focused for c in dialog.children)
        self.poll(f"the {title!r} dialog to take the focus", focused, 10)
        return self.dialog(title)

    def hit_test(self, x, y):
        _, records = self.probe.ask("hit", self.title, x, y)
        return int(records[0][0])

    def alive(self):
        return self.process.poll() is None

    def exit_status(self):
        return self.process.poll()

    def pointer(self):
        location = dict(part.split(":") for part in xdotool("getmouselocation").split()[:2])
        return int(location["x"]), int(location["y"])

    def screenshot(self, path):
        self.case.backend.screenshot(path)

    def x_windows(self, title):
        return xdotool("search", "--name", f"^{title}$").split()

    def move_desktop(self, x, y):
        """Moves the X window of the virtual desktop (the Windows screen) to X, Y of the X screen."""
        xdotool("windowmove", "--sync", self.desktop_window(), x, y, check=True)

    # Input.
    def move_pointer(self, x, y):
        xdotool("mousemove", x, y, check=True)

    def click_at(self, x, y, repeat=1, delay_ms=60):
        xdotool("mousemove", x, y, "sleep", "0.05", "click", "--repeat", repeat, "--delay",
                delay_ms, "1", check=True)

    def clip(self, text):
        status, _ = self.probe.ask("clip", text)
        if status != 0:
            raise Failure(f"cannot put {text[:40]!r} on the clipboard")

    def double_click_at(self, x, y):
        xdotool("mousemove", x, y, "sleep", "0.05", "click", "--repeat", "2", "--delay", "80", "1",
                check=True)

    def right_click_at(self, x, y):
        xdotool("mousemove", x, y, "sleep", "0.05", "click", "3", check=True)

    def picking(self):
        return any(window_class == PICK_CLASS for window_class, _ in self.windows())

    def kept_awake(self):
        # NOTE: Wine has no power requests; the program holds its thread's execution state,
        # which Wine keeps for the whole process.
        status, records = self.probe.ask("execstate", self.title)
        if status != 0:
            raise Failure(f"the execution state of {self.title!r} could not be read")
        return int(records[0][0]) & KEPT_AWAKE == KEPT_AWAKE

    def set_session_locked(self, locked):
        status, _ = self.probe.ask("post", SESSION_WATCH_CLASS, WM_WTSSESSION_CHANGE,
                                   WTS_SESSION_LOCK if locked else WTS_SESSION_UNLOCK)
        if status != 0:
            raise Failure("the program has no window that hears the session's lock")

    def keys(self, *keys):
        xdotool("key", "--delay", "20", *keys, check=True)

    def type_text(self, text):
        # "--": a text that begins with a minus sign is no option.
        xdotool("type", "--delay", "40", "--", text, check=True)

    def drag(self, x1, y1, x2, y2, steps=8):
        xdotool("mousemove", x1, y1, "sleep", "0.1", "mousedown", "1", check=True)
        for i in range(1, steps + 1):
            xdotool("mousemove", x1 + (x2 - x1) * i // steps, y1 + (y2 - y1) * i // steps,
                    "sleep", "0.05")
        xdotool("sleep", "0.1", "mouseup", "1")

    def desktop_window(self, title=None):
        return self.case.backend.desktop_window(title or self.title)

    def active_title(self):
        _, records = self.probe.ask("active")
        return records[0][1] if records and len(records[0]) > 1 else None

    def give_keyboard(self, title=None):
        """Gives the X keyboard focus to the virtual desktop holding TITLE, so that keys reach
        Wine, whichever of its windows is active."""
        window = self.desktop_window(title or self.title)
        xdotool("windowfocus", window)
        self.poll("the keyboard focus on the virtual desktop",
                  lambda: xdotool("getwindowfocus") == str(window), 5)

    def activate(self, title=None):
        """Makes TITLE the active window, with the keyboard.
        NOTE: a window that opens on a desktop where windows have come and gone, or as the first
        window of a program started from outside, is not made active; a click on its caption
        makes it so."""
        title = title or self.title
        self.give_keyboard(title)
        dialog = self.dialog(title)
        if dialog is None:
            raise Failure(f"no window {title!r} to activate")
        left, top = dialog.outer[:2]
        self.click_at(left + 40, top + (dialog.client[1] - top) // 2)
        self.poll(f"{title!r} to become the active window", lambda: self.active_title() == title,
                  5, last=lambda: f"the active window is {self.active_title()!r}")

    def activate_window(self):
        """Makes the window the active one by clicking its caption, which leaves the focus inside
        it alone.
        NOTE: in Wine's virtual desktop a program started from outside is not made the active
        window, so keys reach it only after such a click."""
        outer = self.snapshot().window.outer
        self.click_at(outer[0] + 120, outer[1] + 12)
        time.sleep(0.3)

    def close(self, title=None):
        status, _ = self.probe.ask("close", title or self.title)
        if status != 0:
            raise Failure(f"the window {title or self.title!r} could not be closed")

    def show(self, how):
        status, _ = self.probe.ask("show", self.title, how)
        if status != 0:
            raise Failure(f"the window could not be shown {how}")

    def choose_menu(self, menu, index):
        client = self.snapshot().window.client
        self.click_at(client[0] + MENU_BAR_OFFSETS[menu.name], client[1] - 9)
        time.sleep(0.3)
        for _ in range(index + 1):
            self.keys("Down")
            time.sleep(0.1)
        self.keys("Return")

    def stop(self):
        if self.alive():
            self.process.terminate()
            self.process.wait(timeout=30)
        self.poll("the window to go after the program was ended",
                  lambda: self.probe.ask("wait", self.title, 0)[0] != 0, 15)


class ClickTarget(ClickLog):
    """click_target.exe: a window that logs the clicks and keys it receives."""


class WineCase:
    """One test: its work folder, the programs it started (ended at its end), the prefix
    settings it changed (put back)."""

    def __init__(self, backend, name):
        self.backend = backend
        self.name = name
        self.dir = os.path.join(backend.config["work"], name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.processes = []
        self.undo = []
        self.app = None

    def launch(self, title, args, output, cwd=None, env=None):
        """Starts a Wine program and waits up to 30 s for its window TITLE.
        NOTE: a program started while an earlier virtual desktop is still closing can die at
        once with an X error; such a start is tried again."""
        for attempt in range(3):
            with open(os.path.join(self.dir, output), "wb") as out:
                process = subprocess.Popen(["wine", *args], cwd=cwd or self.dir,
                                           env=self.backend.prefix.env(**(env or {})),
                                           stdin=subprocess.DEVNULL, stdout=out, stderr=out)
            self.processes.append(process)
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline and process.poll() is None:
                if self.backend.probe.ask("wait", title, 0)[0] == 0:
                    return process
                time.sleep(0.05)
            if process.poll() is None:
                process.kill()
            process.wait()
            log.info("start of %r failed (attempt %d)", title, attempt + 1)
        raise Failure(f"the window {title!r} did not appear")

    def start_app(self, exe=None, env=None, wait_readout=True):
        """Starts tapvane.exe (or EXE) in the case's folder and waits for its window and the first
        tick of its read-out."""
        exe = exe or self.backend.config["tapvane"]
        started = time.monotonic()
        process = self.launch(product.text("kWindowCaption"), [exe], "tapvane.out", env=env)
        self.app = WineApp(self, process, product.text("kWindowCaption"))
        if wait_readout:
            # The read-out's first tick replaces the design text.
            self.app.poll("the read-out to start", lambda: self.app.text("Text2").startswith(
                product.text("kReadoutX")), 10)
            self.app.give_keyboard()
        log.info("%7.2f s  start tapvane", time.monotonic() - started)
        return self.app

    def start_unwindowed(self, exe=None, env=None):
        """Starts tapvane.exe without waiting for its window (it may show a message instead)."""
        exe = exe or self.backend.config["tapvane"]
        with open(os.path.join(self.dir, "tapvane.out"), "wb") as out:
            process = subprocess.Popen(["wine", exe], cwd=self.dir,
                                       env=self.backend.prefix.env(**(env or {})),
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        self.processes.append(process)
        self.app = WineApp(self, process, product.text("kWindowCaption"))
        return self.app

    def start_target(self, times=False):
        log_path = os.path.join(self.dir, "clicks.log")
        args = [self.backend.config["click_target"], self.backend.prefix.winepath(log_path),
                *map(str, TARGET_PLACE)] + (["times"] if times else [])
        self.launch(TARGET_TITLE, args, "click_target.out")
        return ClickTarget(self.processes[-1], log_path)

    def program_path(self, path):
        """PATH as the program sees it: on the prefix's Z: drive."""
        return self.backend.prefix.winepath(path)

    @property
    def prefix(self):
        return self.backend.prefix

    def hold_file(self, path, milliseconds):
        """Another program opens PATH for reading, shared with nobody, for MILLISECONDS."""
        output = os.path.join(self.dir, "hold.out")
        with open(output, "wb") as out:
            process = subprocess.Popen(
                ["wine", self.backend.config["probe"], "hold", self.program_path(path),
                 str(milliseconds)], env=self.backend.prefix.env(), stdin=subprocess.DEVNULL,
                stdout=out, stderr=out)
        self.processes.append(process)

        def held():
            with open(output, "rb") as out:
                return b"held" in out.read()
        if self.app:
            self.app.poll("the file held by another program", held, 30)
        return process

    def start_holder(self):
        """Another program that holds F6 until it is ended."""
        return self.launch(HOLDER_TITLE, [self.backend.config["stop_key_holder"]], "holder.out")

    def end(self, process):
        stop_process(process)

    def finish(self):
        for process in reversed(self.processes):
            self.end(process)
        for undo in reversed(self.undo):
            undo()
        # The windows of this case gone before the next starts.
        for title in (product.text("kWindowCaption"), TARGET_TITLE, HOLDER_TITLE):
            deadline = time.monotonic() + 15
            while time.monotonic() < deadline and self.backend.probe.ask("wait", title, 0)[0] == 0:
                time.sleep(0.1)


class WineBackend:
    """The Wine prefix of the CTest fixture (WINEPREFIX, DISPLAY), prepared once per session, and
    the probe that reads it."""

    name = "wine"

    def __init__(self, config, register=True):
        """REGISTER: registers the control library of the build (not for a program installed or
        unzipped, which is tested as it is)."""
        self.config = config
        self.prefix = WinePrefix(os.environ["WINEPREFIX"], os.environ.get("DISPLAY"))
        os.makedirs(config["work"], exist_ok=True)
        self.prefix.configure()
        if register:
            self.prefix.register(config["horolon"])
        self.probe = Probe(self.prefix, config["probe"], os.path.join(config["work"], "probe.err"))

    def close(self):
        self.probe.stop()

    def case(self, name):
        return WineCase(self, name)

    def desktop_window(self, title):
        """The X window of the virtual desktop that holds the Wine window TITLE.
        NOTE: a desktop left by an earlier case may linger under the same name, so the desktop
        is found as the parent of a window that lives in it now; the X side of a Wine window can
        lag behind the Windows side, so the search is tried for a few seconds."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            found = xdotool("search", "--name", f"^{title}$").split()
            if found:
                tree = subprocess.run(["xwininfo", "-children", "-id", found[0]], capture_output=True,
                                      text=True, timeout=10).stdout
                for line in tree.splitlines():
                    if "Parent window id:" in line:
                        return int(line.split()[3], 16)
            time.sleep(0.2)
        raise Failure(f"no virtual desktop holding {title!r}")

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
