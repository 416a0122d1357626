"""tapvane on sway (headless, as nobody): clicks through the wlroots virtual pointer reach native
Wayland windows, the stop key is bound over sway's IPC for the run only, and the pick works on
every output.

Two outputs: HEADLESS-1 (1280x720 at 0,0, the primary) and HEADLESS-2 (1600x1200 at -800,100,
scale 2: 800x600 of the layout). A native window fills each: tiled on HEADLESS-1, full screen on
HEADLESS-2; tapvane floats above the first."""
import os
import subprocess
import time

import pytest

from clickora_e2e.compositors import poll
from clickora_e2e.product import run_caption, text

SWAY_CONFIG = """output HEADLESS-1 resolution 1280x720 position 0 0
xwayland force
default_border none
default_floating_border none
focus_on_window_activation none
"""


class Desktop:
    def __init__(self, session, user_f6=False, pick_windows=False):
        self.session = session
        self.users_f6 = os.path.join(session.runtime, "users-f6")
        config = SWAY_CONFIG + (f"bindsym F6 exec touch {self.users_f6}\n" if user_f6 else "")
        session.start_sway(config)
        session.swaymsg("-q", "create_output")
        session.swaymsg("-q", "--", "output", "HEADLESS-2", "resolution", "1600x1200", "position",
                        "-800", "100", "scale", "2")
        session.sway_x_display()
        self.primary = session.start_wayland_target("primary", "tiled")
        self.scaled = session.start_wayland_target("scaled", "HEADLESS-2")
        assert self.scaled.lines()[0] == "ready 800 600", self.scaled.describe()
        self.app = session.start_tapvane({"CLICKORA_PICK_WINDOWS": "1"} if pick_windows else None)
        assert "pointer input: wlr-virtual-pointer" in self.app.output(), self.app.output()
        # sway knows the window a moment after the X server has it.
        poll("sway knowing the window", self.focus_tapvane, 5)

    def focus_tapvane(self):
        title = text("kWindowCaption")
        return subprocess.run(["swaymsg", "-q", f'[title="^{title}$"] focus'], env=self.session.env,
                              capture_output=True, timeout=10).returncode == 0

    def watch_bindings(self):
        """Every binding sway runs from now on: a callable counting them."""
        process = self.session.spawn(["swaymsg", "-m", "-t", "subscribe", '["binding"]'],
                                     "bindings.log")
        time.sleep(0.2)  # sway answers a subscription before it sends events: nothing to poll
        assert process.poll() is None, self.session.fail("swaymsg subscribe", "bindings.log")
        return lambda: open(self.session.path("bindings.log"), encoding="utf-8").read() \
            .count('"change"')

    def wtype(self, *args):
        subprocess.run(["wtype", *args], check=True, env=self.session.env, timeout=10)

    def assert_untouched(self, *targets):
        for target in targets:
            assert target.events() == [], f"a window was clicked: {target.describe()}"


@pytest.fixture
def desktop(session):
    return Desktop(session)


def test_clicks(desktop):
    """3 clicks at a point of the primary land exactly there on the Wayland window; the window
    floats at its designed size."""
    app = desktop.app
    node = desktop.session.sway_node(text("kWindowCaption"))
    # The designed client area with the menu bar above it.
    assert node["floating"] and (node["geometry"]["width"], node["geometry"]["height"]) == \
        (248, 333), \
        f"the window is tiled or stretched: {node}"
    app.type_run(100, 640, 3, "0.01")
    app.press_start()
    app.run_ends()
    assert app.field("Command4.Caption") == run_caption("kFinishedHead", 3)
    poll("3 clicks on the primary", lambda: desktop.primary.presses_are(3, 100, 640), 3,
         last=desktop.primary.describe)
    desktop.assert_untouched(desktop.scaled)


def test_scaled(desktop):
    """A point on the negative, scaled output lands there: -600,300 of the layout is 200,200 into
    the output at -800,100."""
    app = desktop.app
    app.type_run(-600, 300, 1, "0.01")
    app.press_start()
    app.run_ends()
    poll("the click on the scaled output", lambda: desktop.scaled.presses_are(1, 200, 200), 3,
         last=desktop.scaled.describe)
    desktop.assert_untouched(desktop.primary)


def test_xwayland(desktop, session):
    """A point over an X11 window (XWayland) lands on it, not on the Wayland window beneath."""
    counts = session.path("clicks.txt")
    session.spawn([session.config["click_target"], counts, 900, 50, 200, 200], "x_target.out")
    poll("the X click target", lambda: os.path.exists(counts) and os.path.getsize(counts) > 0, 10)
    # An unmanaged (override-redirect) X window: sway shows it where it asks, above the rest.
    poll("tapvane focused again", desktop.focus_tapvane, 5)
    app = desktop.app
    app.type_run(1000, 150, 2, "0.01")
    app.press_start()
    app.run_ends()
    clicks = open(counts, encoding="utf-8").read()
    assert clicks.split(" ")[0] == "2", f"the X target counted {clicks}"
    desktop.assert_untouched(desktop.primary)


def test_stop_key(desktop):
    """F6 (pressed with wtype) stops a run, bound over sway's IPC; after the run sway runs nothing
    for F6."""
    app = desktop.app
    bindings = desktop.watch_bindings()
    app.type_run(100, 640, 100, "0.02")
    app.press_start()
    tip = app.tooltip()
    assert tip.startswith(text("kStopKeyTip") + " — "), tip
    poll("a click before the key", lambda: desktop.primary.presses() > 0, 5)
    desktop.wtype("-k", "F6")
    app.run_ends(5)
    caption = app.field("Command4.Caption")
    assert caption.startswith(text("kStoppedHead") + "  "), caption
    count = desktop.primary.presses()
    assert bindings() == 1, f"sway ran {bindings()} bindings for one F6"
    time.sleep(2.5)  # nothing must come for more than two periods
    assert desktop.primary.presses() == count, "clicks after F6"
    # Unbound after the run: sway runs nothing for the key.
    desktop.wtype("-k", "F6")
    time.sleep(0.5)
    assert bindings() == 1, "F6 is still bound after the run"
    assert app.alive(), "the program ended"


def test_stop_key_taken(session):
    """The user's own F6 binding: the tooltip says the key is taken, and the binding survives the
    run."""
    desktop = Desktop(session, user_f6=True)
    app = desktop.app
    app.type_run(100, 640, 2, "0.01")
    app.press_start()
    tip = app.tooltip()
    taken = text("kStopKeyUnavailableHead") + text("kStopKeyTakenReason") + " — "
    assert tip.startswith(taken), tip
    app.run_ends()
    poll("the run's clicks", lambda: desktop.primary.presses_are(2, 100, 640), 3,
         last=desktop.primary.describe)
    # The user's binding is the one sway still runs.
    desktop.wtype("-k", "F6")
    poll("the user's own F6 binding", lambda: os.path.exists(desktop.users_f6), 5)


def test_stop_key_exit(desktop):
    """File > Exit during a run gives F6 back to sway all the same."""
    app = desktop.app
    bindings = desktop.watch_bindings()
    app.type_run(100, 640, 100, "0.02")
    app.press_start()
    app.tooltip()
    # File > Exit: the menu bar's first item, its third entry.
    shell = dict(line.split("=", 1) for line in
                 app.xdotool("getwindowgeometry", "--shell", app.window).split())
    app.xdotool("mousemove", int(shell["X"]) + 20, int(shell["Y"]) + 10, "click", "1")
    time.sleep(0.3)  # the menu's popup shows nothing the dump reports
    app.xdotool("key", "--delay", "50", "Down", "Down", "Down", "Return")
    poll("File > Exit ending the program", lambda: not app.alive(), 5)
    desktop.wtype("-k", "F6")
    time.sleep(0.5)
    assert bindings() == 0, "F6 is still bound after the program ended"


@pytest.mark.parametrize("windows", [False, True], ids=["layer_shell", "windows"])
def test_pick(session, windows):
    """F8, then a click (sway's own seat cursor) on each output: X and Y hold the point from the
    primary's top-left, and the window beneath gets no button; the right button and Esc cancel;
    the surfaces go at the pick and the cancel. With WINDOWS: full-screen windows for surfaces,
    as on the desktops that offer no layer shell."""
    desktop = Desktop(session, pick_windows=windows)
    app = desktop.app

    def seat_click(x, y, button):
        # NOTE: sway's "cursor set" takes a place in the layout's bounding box, whose top-left is
        # -800,0 here.
        session.swaymsg("-q", "seat", "seat0", "cursor", "set", x + 800, y)
        session.swaymsg("-q", "seat", "seat0", "cursor", "press", button)
        session.swaymsg("-q", "seat", "seat0", "cursor", "release", button)

    def start_pick():
        # sway gives the keyboard: a click on a native window took it from tapvane's.
        desktop.focus_tapvane()
        app.xdotool("windowfocus", "--sync", app.window)
        app.xdotool("key", "F8")
        if windows:
            poll("the full-screen pick window", lambda: session.sway_node("tapvane pick"), 5)
        # The pick's layer-shell surfaces show nothing that sway reports: a moment for them.
        time.sleep(0.5)

    def picked_is(x, y):
        poll(f"the point {x},{y} picked", lambda: (app.field("Text4"), app.field("Text5")) ==
             (str(x), str(y)), 5, last=lambda: (app.field("Text4"), app.field("Text5")))

    start_pick()
    seat_click(100, 640, "button1")
    picked_is(100, 640)
    # 200,200 into the output at -800,100 (scale 2).
    start_pick()
    seat_click(-600, 300, "button1")
    picked_is(-600, 300)
    desktop.assert_untouched(desktop.primary, desktop.scaled)
    # Each cancel leaves the point, and the surfaces go: the next click reaches the window
    # beneath, which got nothing of the cancelling click.
    start_pick()
    seat_click(100, 600, "button3")
    time.sleep(0.3)
    seat_click(100, 600, "button1")
    poll("a click after the right button", lambda: desktop.primary.presses_are(1, 100, 600), 3,
         last=desktop.primary.describe)
    start_pick()
    # NOTE: wtype's keyboard is the seat's first: a moment for the pick to take it before the key.
    desktop.wtype("-s", "300", "-k", "Escape")
    time.sleep(0.3)
    seat_click(100, 600, "button1")
    poll("a click after Esc", lambda: desktop.primary.presses_are(2, 100, 600), 3,
         last=desktop.primary.describe)
    picked_is(-600, 300)
