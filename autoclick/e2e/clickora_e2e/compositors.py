"""Wayland compositors started headless for a case, as they run on a desktop: sway (as nobody, it
refuses root), KWin (virtual backend, XWayland) and mutter (with PipeWire, or without). Each case
has a work folder, a runtime folder and a private D-Bus of its own; what it started is ended by its
process id at its end, together with every process of the compositor's session (they carry
CLICKORA_TEST_SESSION naming the case's folder, whatever became of their parents), and a document
store that a desktop portal left mounted in the runtime folder is unmounted.

The native tapvane runs as an X client of the session (XWayland, or an Xvfb of its own beside
mutter), driven with xdotool and read through its field dump (CLICKORA_DUMP_FIELDS)."""
import glob
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

from . import product
from .app import Failure, log
from .private_dbus import CONFIG as BUS_CONFIG
from .private_dbus import PrivateDBus
from .testenv import XServer
from .x11 import read_dump

# A desktop's own settings stay out of the case: only what the session gives it.
DESKTOP_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_CURRENT_DESKTOP",
                     "QT_QPA_PLATFORMTHEME", "XDG_SESSION_TYPE", "DBUS_SESSION_BUS_ADDRESS",
                     "DBUS_SYSTEM_BUS_ADDRESS")


def poll(description, until, timeout=10.0, last=None):
    """Calls UNTIL every 50 ms until it returns a true value (returned); a Failure after TIMEOUT
    seconds, with what LAST says about the state then."""
    started = time.monotonic()
    while True:
        value = until()
        if value:
            log.info("%7.2f s  %s", time.monotonic() - started, description)
            return value
        if time.monotonic() - started >= timeout:
            raise Failure(f"timed out after {timeout:g} s waiting for {description}"
                          + (f"; {last()}" if last else ""))
        time.sleep(0.05)


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as text:
            return text.read()
    except FileNotFoundError:
        return ""


def unmount_under(folder):
    """Unmounts (lazily) whatever is mounted under FOLDER: a portal's document store that an
    earlier run left would keep the folder."""
    prefix = os.path.join(folder, "")
    with open("/proc/mounts", encoding="utf-8") as mounts:
        points = [line.split()[1] for line in mounts]
    for point in points:
        if point.startswith(prefix):
            subprocess.run(["umount", "-l", point], check=False)


class Session:
    """One case on a compositor: its folder, runtime folder, environment and processes."""

    def __init__(self, config, name):
        self.config = config
        self.dir = os.path.join(config["work"], name)
        os.makedirs(config["work"], exist_ok=True)
        # What an earlier run of the case left when it was cut short (a timeout): its session's
        # processes and private D-Bus, its runtime folder with a portal's document store mounted in it.
        self.end_session_processes()
        earlier = read(self.path("runtime.txt")).strip()
        if earlier.startswith(os.path.join(tempfile.gettempdir(), "clickora-wl-")):
            unmount_under(earlier)
            shutil.rmtree(earlier, ignore_errors=True)
        unmount_under(self.dir)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        os.chmod(self.dir, 0o755)
        # NOTE: out of the build tree: sway's IPC socket path must fit in a sockaddr_un (108
        # bytes).
        self.runtime = tempfile.mkdtemp(prefix="clickora-wl-")
        with open(self.path("runtime.txt"), "w", encoding="utf-8") as out:
            out.write(self.runtime + "\n")
        self.processes = []
        self.groups = []  # process groups of their own: a compositor's session with all it started
        self.compositor = None
        home = os.path.join(self.dir, "home")
        self.env = {k: v for k, v in os.environ.items() if k not in DESKTOP_VARIABLES}
        self.env.update(XDG_RUNTIME_DIR=self.runtime, HOME=home,
                        XDG_DATA_HOME=os.path.join(home, "data"),
                        XDG_CONFIG_HOME=os.path.join(home, "config"),
                        XDG_CACHE_HOME=os.path.join(home, "cache"))
        self.dbus = None
        try:
            self.dbus = PrivateDBus(self.dir, env={"CLICKORA_TEST_SESSION": self.dir})
        except BaseException:
            self.finish()
            raise
        self.env.update(self.dbus.env())
        self.started = time.monotonic()

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def run(self, *args, check=True, timeout=30, **kwargs):
        result = subprocess.run([str(a) for a in args], capture_output=True, text=True,
                                timeout=timeout, env=self.env, cwd=self.dir, **kwargs)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(map(str, args))} failed: {result.stderr.strip()}")
        return result.stdout

    def spawn(self, args, output, env=None, group=False, **kwargs):
        """A process of the case, its output into OUTPUT; GROUP: in a process group of its own,
        ended whole at the end."""
        with open(self.path(output), "wb") as out:
            process = subprocess.Popen([str(a) for a in args], cwd=self.dir,
                                       env=env or self.env, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=out, start_new_session=group, **kwargs)
        (self.groups if group else self.processes).append(process)
        return process

    def make_runtime(self, user):
        os.chmod(self.runtime, 0o700)
        shutil.chown(self.runtime, user, "nogroup" if user == "nobody" else user)

    def fail(self, message, *logs):
        details = "".join(f"\n--- {name}:\n{read(self.path(name))[-3000:]}" for name in logs)
        raise Failure(message + details)

    # The compositors.
    def start_sway(self, config_text):
        """sway on its headless backend as nobody, with CONFIG_TEXT for its configuration;
        WAYLAND_DISPLAY and SWAYSOCK in the environment. Clients of root reach its socket."""
        self.make_runtime("nobody")
        config = self.path("sway.conf")
        with open(config, "w", encoding="utf-8") as out:
            out.write(config_text)
        os.chmod(config, 0o644)
        env = {"PATH": "/usr/bin:/bin", "XDG_RUNTIME_DIR": self.runtime,
               "CLICKORA_TEST_SESSION": self.dir, "WLR_BACKENDS": "headless",
               "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        self.compositor = self.spawn(["setpriv", "--reuid=nobody", "--regid=nogroup",
                                      "--clear-groups", "sway", "-c", config], "compositor.log",
                                     env=env, group=True)
        def sockets(pattern):
            return sorted(glob.glob(os.path.join(self.runtime, pattern)))
        poll("sway's IPC socket", lambda: sockets("sway-ipc.*.sock") or self.compositor.poll()
             is not None, 10)
        if not sockets("sway-ipc.*.sock"):
            self.fail("sway did not start", "compositor.log")
        poll("sway's Wayland socket", lambda: sockets("wayland-*.lock"), 5)
        self.env["SWAYSOCK"] = sockets("sway-ipc.*.sock")[0]
        self.env["WAYLAND_DISPLAY"] = os.path.basename(sockets("wayland-*.lock")[0])[:-len(".lock")]

    def swaymsg(self, *args, check=True):
        return self.run("swaymsg", *args, check=check)

    def sway_x_display(self):
        """The display of sway's XWayland, opened to root (XWayland admits only its own user's
        clients), into DISPLAY."""
        shown = os.path.join(self.runtime, "display.txt")
        # NOTE: sway splits a command at each semicolon, quoted or not: the steps go in a script.
        script = self.path("x_setup.sh")
        with open(script, "w", encoding="utf-8") as out:
            out.write(f'echo "$DISPLAY" >{shown}\nxhost +si:localuser:root\n')
        os.chmod(script, 0o644)
        self.swaymsg("-q", "--", "exec", f"sh {script}")
        poll("sway's XWayland display", lambda: read(shown).strip(), 10)
        self.env["DISPLAY"] = read(shown).strip()
        poll("XWayland admitting root", lambda: self.run("xdpyinfo", check=False, timeout=5)
             .startswith("name of display"), 10)

    def sway_node(self, title):
        """The node of a window in sway's tree, by its title: whether it floats, its geometry
        and rect; None while there is none."""
        def walk(node, floating):
            if node.get("name") == title:
                return {"floating": floating, "geometry": node["geometry"], "rect": node["rect"]}
            for child, floats in [(c, False) for c in node.get("nodes", [])] + \
                    [(c, True) for c in node.get("floating_nodes", [])]:
                found = walk(child, floats)
                if found:
                    return found
            return None
        return walk(json.loads(self.swaymsg("-t", "get_tree")), False)

    def _session_bus_script(self, name, body):
        script = self.path(name)
        with open(script, "w", encoding="utf-8") as out:
            out.write("#!/bin/sh\n" + body)
        os.chmod(script, 0o755)
        return script

    def start_session_group(self, *command):
        """COMMAND in a session bus of its own that starts no service by itself (a desktop
        portal started on demand would mount its document store in the runtime folder and
        outlive the case), in a process group ended whole at the end."""
        config = self.path("compositor-bus.conf")
        with open(config, "w", encoding="utf-8") as out:
            out.write(BUS_CONFIG)
        env = dict(self.env, CLICKORA_TEST_SESSION=self.dir)
        self.compositor = self.spawn(["dbus-run-session", f"--config-file={config}", "--",
                                      *command], "compositor.log", env=env, group=True)

    def start_kwin(self):
        """KWin on its virtual backend with two 1280x720 outputs and XWayland, on a session bus
        of its own, as root; WAYLAND_DISPLAY, DISPLAY and DBUS_SESSION_BUS_ADDRESS in the
        environment. Desktop entries put into $XDG_DATA_HOME/applications before are known to
        it (their cache is built first)."""
        self.make_runtime("root")
        for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
            os.makedirs(self.env[name], exist_ok=True)
        os.makedirs(os.path.join(self.env["XDG_DATA_HOME"], "applications"), exist_ok=True)
        self.run("kbuildsycoca5", "--noincremental", timeout=60)
        # NOTE: Debian's kwin_wayland carries a file capability, which a container cannot
        # execute: a plain copy of it runs.
        kwin = self.path("kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), kwin)
        bus = os.path.join(self.runtime, "bus.txt")
        shown = os.path.join(self.runtime, "display.txt")
        session = self._session_bus_script(
            "session.sh", f'echo "$DBUS_SESSION_BUS_ADDRESS" >{bus}\necho "$DISPLAY" >{shown}\n'
            "exec sleep 600\n")
        self.start_session_group(kwin, "--virtual", "--width", "1280", "--height", "720",
                                 "--output-count", "2", "--no-lockscreen", "--no-kactivities",
                                 "--xwayland", "--socket", "wayland-kwin", "--exit-with-session",
                                 session)
        try:
            socket = os.path.join(self.runtime, "wayland-kwin")
            poll("KWin's socket", lambda: os.path.exists(socket), 20)
            poll("KWin's XWayland", lambda: read(shown).strip(), 20)
        except Failure as failure:
            self.fail(str(failure), "compositor.log")
        self.env.update(WAYLAND_DISPLAY="wayland-kwin", DISPLAY=read(shown).strip(),
                        DBUS_SESSION_BUS_ADDRESS=read(bus).strip())
        poll("XWayland answering", lambda: self.run("xdpyinfo", check=False, timeout=5)
             .startswith("name of display"), 10)

    def start_mutter(self, pipewire=True):
        """mutter headless with two virtual monitors (1280x720 and 800x600, side by side) on a
        session bus of its own, PipeWire started first unless PIPEWIRE is false;
        WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS in the environment. It runs no XWayland:
        the program's window goes on an X server of its own (start_xvfb)."""
        self.make_runtime("root")
        for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
            os.makedirs(self.env[name], exist_ok=True)
        session = self._session_bus_script(
            "session.sh", ("pipewire >pipewire.log 2>&1 &\n" if pipewire else "")
            + "mutter --headless --wayland --no-x11 --wayland-display=wayland-mutter "
            "--sm-disable --virtual-monitor 1280x720 --virtual-monitor 800x600 >mutter.log 2>&1 &\n"
            'echo "$DBUS_SESSION_BUS_ADDRESS" >bus.txt\nwait\n')
        self.start_session_group(session)
        try:
            poll("mutter's socket",
                 lambda: os.path.exists(os.path.join(self.runtime, "wayland-mutter")), 20)
            poll("mutter's session bus", lambda: read(self.path("bus.txt")).strip(), 5)
        except Failure as failure:
            self.fail(str(failure), "mutter.log", "compositor.log")
        self.env.update(WAYLAND_DISPLAY="wayland-mutter",
                        DBUS_SESSION_BUS_ADDRESS=read(self.path("bus.txt")).strip())
        names = lambda: self.run("dbus-send", "--session", "--print-reply",  # noqa: E731
                                 "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus.ListNames", check=False)
        try:
            poll("mutter's RemoteDesktop", lambda: "org.gnome.Mutter.RemoteDesktop" in names(), 10)
        except Failure as failure:
            self.fail(str(failure), "mutter.log")

    def start_xvfb(self):
        """A virtual X server of the case's own for the program's window, into DISPLAY."""
        server = XServer.start(log_path=self.path("xvfb.log"))
        self.processes.append(server.process)
        self.env["DISPLAY"] = server.display

    # What runs on it.
    def start_wayland_target(self, name, placement):
        """A native window (tiled, or full screen on the output PLACEMENT names) that logs its
        presses and releases with surface coordinates into NAME.log."""
        target = WaylandTarget(self.path(f"{name}.log"))
        self.spawn([self.config["wayland_click_target"], target.log_path, placement],
                   f"{name}.err")
        poll(f"the {name} window", lambda: target.lines() and target.lines()[0].startswith("ready"),
             10, last=lambda: read(self.path(f"{name}.err")))
        return target

    def start_tapvane(self, env=None):
        app = Tapvane(self, env)
        self.app = app
        return app

    # The end.
    def session_processes(self):
        """The processes of the compositor's session: they carry CLICKORA_TEST_SESSION naming this
        case's folder, which no other case shares."""
        marker = f"CLICKORA_TEST_SESSION={self.dir}".encode()
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if marker in environ.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                pass
        return found

    def end_session_processes(self):
        """Ends the session's processes by their ids, forcibly after a second."""
        left = self.session_processes()
        for pid in left:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 1
        while left and time.monotonic() < deadline:
            time.sleep(0.05)
            left = self.session_processes()
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def finish(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
        for process in reversed(self.groups):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        for process in reversed(self.processes + self.groups):
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.end_session_processes()
        if self.dbus is not None:
            self.dbus.stop()
        unmount_under(self.dir)
        unmount_under(self.runtime)
        shutil.rmtree(self.runtime, ignore_errors=True)
        log.info("%7.2f s  the case on the compositor", time.monotonic() - self.started)


class WaylandTarget:
    """The log of a native test window: "ready W H", then "press X Y" and "release X Y"."""

    def __init__(self, log_path):
        self.log_path = log_path

    def lines(self):
        return read(self.log_path).splitlines()

    def events(self):
        return self.lines()[1:]

    def presses_are(self, count, x, y):
        """Exactly COUNT presses and COUNT releases, all at X, Y."""
        return self.events() == [f"{kind} {x} {y}" for _ in range(count)
                                 for kind in ("press", "release")]

    def presses(self):
        return sum(1 for line in self.events() if line.startswith("press"))

    def describe(self):
        return f"{os.path.basename(self.log_path)}: {self.lines()}"


class Tapvane:
    """The native program as an X client of the session, its fields dumped where the case reads
    them."""

    def __init__(self, session, env=None):
        self.session = session
        self.fields_path = session.path("fields.txt")
        if os.path.exists(self.fields_path):
            os.remove(self.fields_path)
        self.title = product.text("kWindowCaption")
        self.process = session.spawn(
            [session.config["tapvane"]], "tapvane.log",
            env=dict(session.env, CLICKORA_DUMP_FIELDS=self.fields_path, QT_QPA_PLATFORM="xcb",
                     **(env or {})))
        found = poll("the window", lambda: self.xdotool("search", "--name", f"^{self.title}$")
                     .split() or self.process.poll() is not None, 20,
                     last=lambda: self.output())
        if self.process.poll() is not None:
            session.fail(f"tapvane ended with {self.process.returncode}", "tapvane.log")
        self.window = found[0]
        poll("the caption", lambda: self.field("Form.Caption") == self.title, 10)

    def xdotool(self, *args):
        return self.session.run("xdotool", *args, check=False)

    def output(self):
        return read(self.session.path("tapvane.log"))

    def fields(self):
        return read_dump(self.fields_path)

    def field(self, name):
        return self.fields().get(name)

    def alive(self):
        return self.process.poll() is None

    def type_run(self, x, y, clicks, period):
        """The fields typed in, from Start, which has the focus at start-up (Tab visits Text2,
        Text4, Text5, Text6 and Text8 and selects a field's whole text), and the focus back on
        Start."""
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--delay", "50", "Tab", "Tab")
        for index, value in enumerate((x, y, clicks, period)):
            if index:
                self.xdotool("key", "--delay", "50", "Tab")
            self.xdotool("type", "--delay", "30", "--", str(value))
        wanted = {"Text4": str(x), "Text5": str(y), "Text6": str(clicks), "Text8": str(period)}
        poll("the typed fields", lambda: all(self.field(k) == v for k, v in wanted.items()), 5,
             last=lambda: {k: self.field(k) for k in wanted})
        self.xdotool("key", "--delay", "50", "Tab", "Tab", "Tab")

    def press_start(self):
        self.xdotool("key", "space")
        poll("Start pressed", lambda: self.field("Command4.Enabled") == "False", 5)

    def run_ends(self, timeout=15):
        poll("the end of the run", lambda: self.field("Command4.Enabled") == "True", timeout,
             last=lambda: self.field("Command4.Caption"))

    def tooltip(self):
        """The tip of Start during a run, once it has one."""
        return poll("the tooltip of the run", lambda: self.field("Command4.ToolTip"), 5)
