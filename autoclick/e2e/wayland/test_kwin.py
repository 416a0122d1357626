"""tapvane on KWin (virtual backend, two 1280x720 outputs side by side): clicks through KWin's fake
input reach native Wayland windows once a desktop entry grants the program that input, or through
the desktop portal; the stop key goes through KDE's shortcut service; the read-out follows the
pointer over native windows.

A full-screen native window on each output logs its presses and releases. The key helper presses
keys and moves the pointer through KWin's fake input."""
import os
import time

from clickora_e2e.compositors import poll
from clickora_e2e.product import readout, run_caption, text

F6_EVDEV = "64"
F6_QT = "16777269"


class Desktop:
    def __init__(self, session, granted=True, portal=False, f6_taken=False):
        self.session = session
        if granted:
            self.grant(session.config["tapvane"])
            self.grant(session.config["kde_fake_key"])
        session.start_kwin()
        env = None
        if portal:
            self.start_portal()
            # The earlier routes off: the portal is the one clicking.
            env = {"CLICKORA_INPUT_OFF": "wlr-virtual-pointer,kde-fake-input,mutter-remote-desktop"}
        if f6_taken:
            # Another program's shortcut on F6 (Qt's key code of F6), set through the same
            # service.
            other = "['other-program', 'stop', 'Other program', 'Stop']"
            self.kglobalaccel("doRegister", other)
            answer = self.kglobalaccel("setShortcut", other, f"[{F6_QT}]", "6")
            assert F6_QT in answer, f"the other program did not get F6: {answer}"
        self.left = session.start_wayland_target("left", "Virtual-0")
        self.right = session.start_wayland_target("right", "Virtual-1")
        self.app_env = env
        self.app = session.start_tapvane(env)

    def grant(self, program):
        """A desktop entry that gives PROGRAM KWin's fake input."""
        folder = os.path.join(self.session.env["XDG_DATA_HOME"], "applications")
        os.makedirs(folder, exist_ok=True)
        name = os.path.basename(program)
        with open(os.path.join(folder, f"org.clickora.{name}-test.desktop"), "w",
                  encoding="utf-8") as entry:
            entry.write(f"[Desktop Entry]\nType=Application\nName={name}\n"
                        f"Exec={os.path.realpath(program)}\n"
                        "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n")

    def start_portal(self):
        """The portal and its KDE backend in KWin's session, known to the session's cleanup."""
        # NOTE: the KDE backend on X11 (Qt's choice while DISPLAY is set) finds none of KWin's
        # screen-cast and fake-input globals and refuses every session.
        env = dict(self.session.env, CLICKORA_TEST_SESSION=self.session.dir,
                   XDG_CURRENT_DESKTOP="KDE", XDG_SESSION_TYPE="wayland", QT_QPA_PLATFORM="wayland")
        for service in ("pipewire", self.session.config["portal_kde"],
                        "/usr/libexec/xdg-desktop-portal"):
            self.session.spawn([service], os.path.basename(service) + ".log", env=env)
        names = lambda: self.session.run(  # noqa: E731
            "dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
            "/org/freedesktop/DBus", "org.freedesktop.DBus.ListNames", check=False)
        try:
            poll("the desktop portal", lambda: '"org.freedesktop.portal.Desktop"' in names(), 20)
        except AssertionError as failure:
            self.session.fail(str(failure), "xdg-desktop-portal.log")

    def kglobalaccel(self, method, *args):
        return self.session.run("gdbus", "call", "--session", "--dest", "org.kde.kglobalaccel",
                                "--object-path", "/kglobalaccel", "--method",
                                f"org.kde.KGlobalAccel.{method}", *args)

    def script_loaded(self, pid):
        return self.session.run("gdbus", "call", "--session", "--dest", "org.kde.KWin",
                                "--object-path", "/Scripting", "--method",
                                "org.kde.kwin.Scripting.isScriptLoaded",
                                f"clickora-cursor-watch-{pid}").strip()

    def key_helper(self, *args):
        self.session.run(self.session.config["kde_fake_key"], *args)

    def restart_app(self):
        """A program started anew (the focus on Start)."""
        self.app.process.terminate()
        self.app.process.wait(timeout=10)
        self.app = self.session.start_tapvane(self.app_env)
        return self.app

    def answer_notice(self):
        """Return to the message box, once it has the keyboard (not the main window)."""
        app = self.app
        poll("the message box active", lambda: app.xdotool("getactivewindow").strip() not in
             ("", app.window), 5)
        app.xdotool("key", "Return")

    def route_is(self, route):
        assert f"tapvane: pointer input: {route}" in self.app.output().splitlines(), \
            self.app.output()


def stop_key_tip():
    return text("kStopKeyTip") + " — "


def test_denied(session):
    """Without the desktop entry KWin offers no fake input: the program says it falls back on
    XTest, the first Start tells that clicks reach only X11 windows, and the run's clicks do not
    reach the native window under the point; F6 all the same, through KDE's shortcut service."""
    desktop = Desktop(session, granted=False)
    app = desktop.app
    desktop.route_is("xtest")
    app.type_run(100, 650, 2, "0.01")
    app.xdotool("key", "space")
    poll("the X11-only notice", lambda: app.field("Message") == text("kX11OnlyNotice"), 5,
         last=lambda: app.field("Message"))
    app.xdotool("key", "Return")
    tip = app.tooltip()
    assert tip.startswith(stop_key_tip()), tip
    app.run_ends()
    assert desktop.left.events() == [], f"the native window was clicked: {desktop.left.describe()}"


def test_granted(session):
    """With the entry (Exec= the program's path, X-KDE-Wayland-Interfaces=
    org_kde_kwin_fake_input) clicks land exactly on both outputs."""
    desktop = Desktop(session)
    app = desktop.app
    desktop.route_is("kde-fake-input (then xtest)")
    app.type_run(100, 650, 2, "0.01")
    app.press_start()
    app.run_ends()
    poll("2 clicks on the left output", lambda: desktop.left.presses_are(2, 100, 650), 3,
         last=desktop.left.describe)
    # The second output, right of the primary.
    app = desktop.restart_app()
    app.type_run(1480, 300, 1, "0.01")
    app.press_start()
    app.run_ends()
    poll("a click on the right output", lambda: desktop.right.presses_are(1, 200, 300), 3,
         last=desktop.right.describe)
    assert desktop.left.presses_are(2, 100, 650), desktop.left.describe()


def test_stop_key(session):
    """F6 (pressed through KWin's fake input by the key helper) stops a run through KDE's shortcut
    service; after the run the program holds F6 no more."""
    desktop = Desktop(session)
    app = desktop.app
    app.type_run(100, 650, 100, "0.02")
    app.press_start()
    tip = app.tooltip()
    assert tip.startswith(stop_key_tip()), tip
    poll("a click before the key", lambda: desktop.left.presses() > 0, 5)
    desktop.key_helper("key", F6_EVDEV)
    app.run_ends(5)
    caption = app.field("Command4.Caption")
    assert caption.startswith(text("kStoppedHead") + "  "), caption
    count = desktop.left.presses()
    time.sleep(2.5)  # nothing must come for more than two periods
    assert desktop.left.presses() == count, "clicks after F6"
    # Given back: KDE's shortcut service knows no shortcut of the program's any more.
    components = desktop.kglobalaccel("allMainComponents")
    assert "clickora-tapvane" not in components, f"still registered: {components}"
    assert app.alive(), "the program ended"


def test_stop_key_taken(session):
    """F6 held by another component: the tip says the key is taken, and F6 does not stop the
    run."""
    desktop = Desktop(session, f6_taken=True)
    app = desktop.app
    app.type_run(100, 650, 3, "0.01")
    app.press_start()
    tip = app.tooltip()
    taken = text("kStopKeyUnavailableHead") + text("kStopKeyTakenReason") + " — "
    assert tip.startswith(taken), tip
    desktop.key_helper("key", F6_EVDEV)
    app.run_ends()
    caption = app.field("Command4.Caption")
    assert caption == run_caption("kFinishedHead", 3), f"F6 stopped the run: {caption!r}"


def test_readout(session):
    """The read-out follows the pointer over native windows on both outputs (a KWin script of the
    program's reports every move), and File > Exit unloads the script."""
    desktop = Desktop(session)
    app = desktop.app
    for x, y in ((1480, 300), (100, 650), (1279, 0)):
        desktop.key_helper("move", x, y)
        poll(f"the read-out of {x}, {y}", lambda: app.field("Text2") == readout(x, y), 5,
             last=lambda: app.field("Text2"))
    pid = app.process.pid
    assert "true" in desktop.script_loaded(pid), "the program's KWin script is not loaded"
    # File > Exit: the menu bar's first item, its third entry.
    shell = dict(line.split("=", 1) for line in
                 app.xdotool("getwindowgeometry", "--shell", app.window).split())
    app.xdotool("mousemove", int(shell["X"]) + 20, int(shell["Y"]) + 10, "click", "1")
    time.sleep(0.3)  # the menu's popup shows nothing the dump reports
    app.xdotool("key", "--delay", "50", "Down", "Down", "Down", "Return")
    poll("File > Exit ending the program", lambda: not app.alive(), 5)
    assert "false" in desktop.script_loaded(pid), "the program's KWin script outlived it"


def test_portal(session):
    """Without the entry, through the desktop portal (xdg-desktop-portal with its KDE backend and
    PipeWire, which grant an unsandboxed program without a dialog): clicks land exactly on both
    outputs, the session asked for once; the first Start says why the desktop may ask."""
    desktop = Desktop(session, granted=False, portal=True)
    app = desktop.app
    desktop.route_is("portal-remote-desktop (then xtest)")
    app.type_run(100, 650, 2, "0.01")
    app.xdotool("key", "space")
    poll("the consent notice", lambda: app.field("Message") == text("kConsentNotice"), 5,
         last=lambda: app.field("Message"))
    desktop.answer_notice()
    poll("2 clicks on the left output", lambda: desktop.left.presses_are(2, 100, 650), 5,
         last=desktop.left.describe)
    app.run_ends()
    assert "failed" not in app.output(), f"a route failed: {app.output()}"
    # The second output, right of the primary.
    app = desktop.restart_app()
    app.type_run(1480, 300, 1, "0.01")
    app.xdotool("key", "space")
    poll("the consent notice", lambda: app.field("Message"), 5)
    desktop.answer_notice()
    poll("a click on the right output", lambda: desktop.right.presses_are(1, 200, 300), 5,
         last=desktop.right.describe)
    app.run_ends()
    poll("no more on the left", lambda: desktop.left.presses_are(2, 100, 650), 3,
         last=desktop.left.describe)
    assert "failed" not in app.output(), f"a route failed: {app.output()}"
