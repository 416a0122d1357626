"""tapvane on GNOME's mutter (headless, two virtual monitors side by side: Meta-0 1280x720 at 0,0
and Meta-1 800x600 at 1280,0): clicks through mutter's RemoteDesktop, with a screen cast of each
monitor, reach native Wayland windows.

A full-screen native window on each monitor logs its presses and releases. The program's own
window is on an X server of its own (mutter runs no XWayland here)."""
from clickora_e2e.compositors import poll
from clickora_e2e.product import text


def start_desktop(session, pipewire=True):
    session.start_mutter(pipewire=pipewire)
    session.start_xvfb()
    left = session.start_wayland_target("left", "Meta-0")
    right = session.start_wayland_target("right", "Meta-1")
    return left, right


def start_tapvane(session):
    app = session.start_tapvane()
    assert "tapvane: pointer input: mutter-remote-desktop (then xtest)" in \
        app.output().splitlines(), app.output()
    return app


def test_clicks(session):
    """Clicks land exactly on both monitors."""
    left, right = start_desktop(session)
    app = start_tapvane(session)
    app.type_run(100, 650, 2, "0.01")
    app.press_start()
    app.run_ends()
    poll("2 clicks on the left monitor", lambda: left.presses_are(2, 100, 650), 3,
         last=left.describe)
    # The second monitor, right of the primary, from a program started anew.
    app.process.terminate()
    app.process.wait(timeout=10)
    app = start_tapvane(session)
    app.type_run(1480, 300, 1, "0.01")
    app.press_start()
    app.run_ends()
    poll("a click on the right monitor", lambda: right.presses_are(1, 200, 300), 3,
         last=right.describe)
    assert left.presses_are(2, 100, 650), f"the left window logged more: {left.describe()}"


def test_no_pipewire(session):
    """Without PipeWire the session cannot start: the program says it falls back on XTest, and
    nothing of mutter's is clicked; the tip says that F6 works only while an X11 window has the
    focus (GNOME has no shortcut service: F6 goes through the X server)."""
    left, right = start_desktop(session, pipewire=False)
    app = start_tapvane(session)
    app.type_run(100, 650, 1, "0.01")
    app.press_start()
    tip = app.tooltip()
    assert tip.startswith(text("kStopKeyX11FocusOnlyTip") + " — "), tip
    app.run_ends()
    assert "tapvane: pointer input: mutter-remote-desktop failed, clicking through xtest" in \
        app.output().splitlines(), app.output()
    for window in (left, right):
        assert window.events() == [], f"a native window was clicked: {window.describe()}"
