"""The Linux program on desktops as users have them, each on an X server of the case's own: under a
window manager (openbox), in a Wayland session (weston with XWayland) and on an X server without
the XTEST extension."""
import os
import re
import shutil
import subprocess
import tempfile

import pytest

from clickora_e2e.app import App
from clickora_e2e.product import design, outer_size_twips, readout, run_caption, text

pytestmark = pytest.mark.backends("x11")
# The toolkit's menu bar above the client area, in pixels.
MENU_BAR_HEIGHT = 19
waiter = App()  # polls before the program has started


def outer_size():
    """The outer size the program keeps, in whole pixels at 15 twips a pixel."""
    width, height = outer_size_twips()
    return round(width / 15), round(height / 15)


def place_text(app):
    (x, y, w, h), frame = app.geometry(app.x_window())
    return f"client {w}x{h} at {x},{y}; frame (left, right, top, bottom) {frame}"


def outer_size_right(app):
    (_, _, w, h), (left, right, top, bottom) = app.geometry(app.x_window())
    return (w + left + right, h + top + bottom) == outer_size()


def at_designed_point(app):
    """The client area's designed point (5145, 4395 twips) with the menu bar above it: the X window
    lies where it does without a window manager."""
    (x, y, _, _), _ = app.geometry(app.x_window())
    return (x, y) == (design().left // 15, design().top // 15 - MENU_BAR_HEIGHT)


def hints_hold_size(app):
    (_, _, w, h), _ = app.geometry(app.x_window())
    hints = app.case.run("xprop", "-id", app.x_window(), "WM_NORMAL_HINTS").splitlines()
    return (f"program specified minimum size: {w} by {h}" in (line.strip() for line in hints) and
            f"program specified maximum size: {w} by {h}" in (line.strip() for line in hints))


def type_run(app, x, y, count, period):
    """X, Y, the clicks and the period typed in from the keyboard: Start holds the focus; Tab
    visits Text2, Text4, Text5, Text6 and Text8 and selects a field's whole text, so typing
    replaces it. Three more Tabs (the option group and Text1) come back to Start."""
    app.keys("Tab", "Tab")
    for index, value in enumerate((x, y, count, period)):
        if index:
            app.keys("Tab")
        app.type_text(str(value))
    app.wait_for("the typed fields", 5, Text4=str(x), Text5=str(y), Text6=str(count),
                 Text8=str(period))
    app.keys("Tab", "Tab", "Tab")


def test_window_manager(e2e):
    e2e.own_server()
    wm = e2e.spawn(["openbox", "--sm-disable"], "openbox.log")
    waiter.poll("openbox to start", lambda: "window id" in e2e.run(
        "xprop", "-root", "_NET_SUPPORTING_WM_CHECK") or wm.poll() is not None, 10)
    assert wm.poll() is None, "openbox ended at once"
    app = e2e.start_app()
    app.poll("the first show at the outer size", lambda: outer_size_right(app), 10,
             last=lambda: place_text(app))
    _, frame = app.geometry(app.x_window())
    assert frame[2] > 0, f"no frame from the window manager: {place_text(app)}"
    assert at_designed_point(app), f"first show not at the designed point: {place_text(app)}"
    # The least and the most size the window asks for are the client size the rule holds, so that
    # tiling window managers float it at that size.
    hints = lambda: app.case.run("xprop", "-id", app.x_window(), "WM_NORMAL_HINTS")  # noqa: E731
    app.poll("the size hints to hold the size", lambda: hints_hold_size(app), 5, last=hints)
    app.holds("the size and place after the first show",
              lambda: outer_size_right(app) and at_designed_point(app), 0.5,
              last=lambda: place_text(app))
    app.screenshot(os.path.join(e2e.backend.config["artifacts"], "wm.png"))

    window = app.x_window()
    for width, height in ((400, 500), (100, 80), outer_size()):
        app.xdotool("windowsize", window, width, height)
        app.poll(f"the resize to {width} x {height} to snap back", lambda: outer_size_right(app),
                 5, last=lambda: place_text(app))
    assert at_designed_point(app), f"moved by the resizes: {place_text(app)}"

    app.xdotool("windowminimize", "--sync", window)
    app.poll("the window minimized", lambda: app.wm_state(window) == "minimized", 5)
    app.holds("the window staying minimized", lambda: app.wm_state(window) == "minimized", 1)
    app.expect(Command4={"enabled": True})
    assert app.fields().get("Form.Caption") == text("kWindowCaption"), "caption while minimized"

    if app.xdotool("windowactivate", "--sync", window) == "" and app.wm_state(window) != "normal":
        app.xdotool("windowmap", window)
    app.poll("the window restored", lambda: app.wm_state(window) == "normal", 5)
    app.poll("the restored size", lambda: outer_size_right(app), 5, last=lambda: place_text(app))
    app.poll("the restored place", lambda: at_designed_point(app), 5, last=lambda: place_text(app))
    assert app.alive(), "the program ended"


def test_wayland_session(e2e):
    # The compositor as a window on the virtual X server gives a seat with a pointer, which
    # XWayland's XTEST needs; its headless backend has none.
    host = e2e.own_server()
    # NOTE: a Wayland socket's path must fit in 108 bytes: the runtime folder is a short one.
    runtime = tempfile.mkdtemp(prefix="clickora-")
    e2e.undo.append(lambda: shutil.rmtree(runtime, ignore_errors=True))
    e2e.extra_env = {"XDG_RUNTIME_DIR": runtime}
    weston = e2e.spawn(["weston", "--backend=x11-backend.so", "--use-pixman", "--width=1024",
                        "--height=768", "--xwayland", "--socket=wayland-tapvane", "--idle-time=0"],
                       "weston.log")
    weston_log = os.path.join(e2e.dir, "weston.log")

    def xwayland_display():
        with open(weston_log, errors="replace") as lines:
            found = re.search(r"xserver listening on display (:\d+)", lines.read())
        return found and found.group(1)

    display = waiter.poll("weston to start XWayland",
                          lambda: xwayland_display() or weston.poll() is not None, 20,
                          last=lambda: open(weston_log, errors="replace").read()[-2000:])
    assert weston.poll() is None, "weston ended at once"
    # The session as a desktop has it: Wayland's variables set, nothing asking for X11.
    e2e.display = display
    e2e.extra_env = {"XDG_RUNTIME_DIR": runtime, "WAYLAND_DISPLAY": "wayland-tapvane",
                     "XDG_SESSION_TYPE": "wayland", "QT_QPA_PLATFORM": None}
    # Away from where weston puts the program's window, which may come to lie above it.
    target = e2e.start_target(place=(600, 400, 120, 120))
    # The hints are read as soon as the window is there: once weston has placed the window, they
    # may follow the place it got.
    app = e2e.start_app(wait_readout=False)
    window = app.x_window()
    # NOTE: weston places every new window itself, whatever place it asks for; the window asks for
    # its designed one, as under an X11 window manager.
    hints = lambda: e2e.run("xprop", "-id", window, "WM_NORMAL_HINTS")  # noqa: E731
    app.poll("the window to ask for its place",
             lambda: f"location: {design().left // 15}, {design().top // 15 - MENU_BAR_HEIGHT}" in hints(), 10, last=hints)
    # weston announces no frame: the client area has the whole size, and nothing of it is cut.
    app.poll("the outer size", lambda: outer_size_right(app), 10, last=lambda: place_text(app))
    app.poll("the read-out to start", lambda: app.text("Text2").startswith(text("kReadoutX")), 10)
    app.move_pointer(610, 420)
    app.wait_for("the read-out over an X window", 5, Text2=readout(610, 420))
    app.xdotool("windowfocus", "--sync", window)
    type_run(app, 650, 450, 3, "0.01")
    app.keys("space")
    box = app.wait_dialog(text("kApplicationTitle"), 5)
    assert app.fields().get("Message") == text("kX11OnlyNotice"), \
        f"the notice: {app.fields().get('Message')!r}"
    assert box.has_text(text("kX11OnlyNotice")), f"the box shows {box.texts()}"
    shot = os.path.join(e2e.backend.config["artifacts"], "wayland.png")
    os.makedirs(os.path.dirname(shot), exist_ok=True)
    subprocess.run(["import", "-window", "root", shot], check=True, timeout=30,
                   env=dict(os.environ, DISPLAY=host.display))
    assert target.presses() == 0, f"a click before the notice was closed: {target.describe()}"
    app.answer_message()
    app.wait_for("the run to end", 15, Command4={"enabled": True})
    app.expect(Command4=run_caption("kFinishedHead", 3))
    assert target.presses() == 3, f"the target counted {target.describe()}, not 3 clicks"


def test_no_xtest(e2e):
    e2e.own_server(extra=("-extension", "XTEST"))
    assert "XTEST" not in e2e.run("xdpyinfo", "-queryExtensions"), "the server has XTEST all the same"
    target = e2e.start_target()
    app = e2e.start_app()
    window = app.x_window()
    send_keys = e2e.backend.config["send_keys"]
    # Without XTEST no input can be faked: the keys are sent to the window as events. Start holds
    # the focus; five Tabs reach Text8, three more come back to Start.
    e2e.run(send_keys, window, "Tab", "Tab", "Tab", "Tab", "Tab", "0", "period", "0", "1",
            check=True)
    app.wait_for("the typed period", 5, Text8="0.01")
    e2e.run(send_keys, window, "Tab", "Tab", "Tab", "space", check=True)
    box = app.wait_dialog(text("kApplicationTitle"), 5)
    assert box.has_text(text("kNoClicksMessage")), f"the message box shows {box.texts()}"
    assert app.fields().get("Message") == text("kNoClicksMessage")
    app.expect(Command4={"text": text("kStartCaption"), "enabled": True}, Text7="1")
    box_window = app.xdotool("search", "--onlyvisible", "--name",
                             f"^{text('kApplicationTitle')}$").split()[0]
    e2e.run(send_keys, box_window, "Return", check=True)
    app.wait_dialog_gone(text("kApplicationTitle"), 5)
    app.holds("no click in more than three periods", lambda: target.presses() == 0, 2,
              last=target.describe)
    app.expect(Command4={"text": text("kStartCaption"), "enabled": True})
    assert app.alive(), "the program ended"
