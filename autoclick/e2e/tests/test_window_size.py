"""The window keeps its size: dragged borders and corner snap back, minimized it stays so, and at
144 DPI it is laid out 1.5 times as large, its text too."""
import os

import pytest

from clickora_e2e import pixels
from clickora_e2e.product import design, outer_size_twips, readout, run_caption

HT_LEFT, HT_RIGHT, HT_MINIMIZE, HT_BOTTOM_RIGHT = 10, 11, 8, 17
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
pytestmark = pytest.mark.backends("wine")


def size_is_rule(app, dpi):
    """The snapshot when the window is normal at its outer size in twips, to the pixel."""
    snapshot = app.snapshot()
    window = snapshot.window
    width, height = outer_size_twips()
    if window.state != "normal" or window.width != width * dpi // 1440:
        return None
    if abs(window.height * 1440 - height * dpi) > 1440:
        return None
    return snapshot


def wait_rule(app, description, dpi=96):
    return app.poll(description, lambda: size_is_rule(app, dpi), 10,
                    last=lambda: f"the window is {app.snapshot().window}")


def test_size_rule(app):
    window = wait_rule(app, "the window at its size").window
    left, top, right, bottom = window.outer
    mid = (top + bottom) // 2
    # The right border dragged outwards: the window snaps back.
    assert app.hit_test(right - 2, mid) == HT_RIGHT, "no sizing border at the right edge"
    app.drag(right - 2, mid, right + 120, mid)
    window = wait_rule(app, "the size back after a drag of the right border").window
    # The left border dragged inwards: the resize moves the left edge, and the size comes back.
    before = window.outer[0]
    assert app.hit_test(before + 1, mid) == HT_LEFT, "no sizing border at the left edge"
    app.drag(before + 1, mid, before + 61, mid)
    window = wait_rule(app, "the size back after a drag of the left border").window
    left, top, right, bottom = window.outer
    assert before + 55 <= left <= before + 65, f"the left edge is at {left} after a drag from {before} by 60"
    # The corner dragged out and down.
    assert app.hit_test(right - 2, bottom - 2) == HT_BOTTOM_RIGHT, "no sizing corner at the bottom right"
    app.drag(right - 2, bottom - 2, right + 90, bottom + 70)
    window = wait_rule(app, "the size back after a drag of the corner").window
    left, top, right, bottom = window.outer
    # Minimized by its caption button, the window stays minimized.
    button = next((x for x in range(right - 80, right, 4)
                   if app.hit_test(x, top + 12) == HT_MINIMIZE), None)
    assert button is not None, "no minimize button on the caption"
    app.click_at(button, top + 12)
    app.poll("the window minimized", lambda: app.snapshot().window.state == "minimized", 10)
    app.holds("the window minimized", lambda: app.snapshot().window.state == "minimized", 1,
              last=lambda: f"it is {app.snapshot().window.state}")
    assert app.alive(), "the program ended when minimized"
    # Restored (as a taskbar does), it comes back at its size.
    app.show("restore")
    wait_rule(app, "the size back after a restore")
    app.move_pointer(123, 45)
    app.wait_for("the read-out after the restore", 5, Text2=readout(123, 45))


def window_shot(app, config, name):
    """A screenshot of the screen and of the window, in the artifacts; (path, snapshot)."""
    snapshot = app.snapshot()
    app.move_pointer(1000, 760)
    app.poll("the pointer off the window", lambda: app.pointer() == (1000, 760), 5)
    shot = os.path.join(config["artifacts"], name + ".png")
    app.screenshot(shot)
    pixels.crop_to(shot, snapshot.window.outer, os.path.join(config["artifacts"], name + "-window.png"))
    return shot, snapshot


def measure_fonts(shot, snapshot, dpi):
    """(width, height) of the ink of Start's caption and the width of the hint's, at DPI."""
    image = pixels.load(shot)
    cx, cy = snapshot.window.client
    inset = 5 * dpi // 96
    x, y, w, h = design().control("Command4").pixels(dpi)
    start = pixels.ink_box(image, (cx + x + inset, cy + y + inset, w - 2 * inset, h - 2 * inset))
    x, y, w, h = design().control("Label7").pixels(dpi)
    hint = pixels.ink_box(image, (cx + x, cy + y, w, h))
    assert start and hint, f"cannot measure the text in {shot}"
    return start, hint[0]


def ratio_near(a, b):
    """A / B within 1.5 +- 0.15."""
    return 27 * b <= 20 * a <= 33 * b


def test_dpi_144(e2e, config):
    # The size of the text at the system's usual 96 DPI, for comparison.
    app = e2e.start_app()
    start96, hint96 = measure_fonts(*window_shot(app, config, "dpi96"), 96)
    app.stop()
    before = e2e.prefix.reg_query(DESKTOP_KEY, "LogPixels")
    e2e.undo.append(lambda: e2e.prefix.set_dword(DESKTOP_KEY, "LogPixels", int(before, 0))
                    if before else e2e.prefix.delete_value(DESKTOP_KEY, "LogPixels"))
    e2e.prefix.set_dword(DESKTOP_KEY, "LogPixels", 144)
    target = e2e.start_target()
    app = e2e.start_app()
    snapshot = wait_rule(app, "the window at its size at 144 DPI", 144)
    # The design at 144 DPI: 1.5 x the pixels of 96 DPI, each control at its scaled place.
    for name in ("Text4", "Text2", "Text6", "Command4", "Option1"):
        want = design().control(name).pixels(144)
        got = snapshot[name].rect
        assert all(abs(g - w) <= 2 for g, w in zip(got[:2], want[:2])), \
            f"{name} is at {got[:2]}, expected {want[:2]}"
        assert all(abs(g - w) <= 1 for g, w in zip(got[2:], want[2:])), \
            f"{name} is {got[2]}x{got[3]} pixels, expected {want[2]}x{want[3]}"
    # At 144 DPI the window reaches below the screen; the user drags it up by its caption.
    left, top = snapshot.window.outer[:2]
    app.drag(left + 150, top + 10, left + 150, top + 10 - 300)
    app.poll("the window moved up", lambda: app.snapshot().window.outer[1] >= 0 and
             app.snapshot().window.outer[3] <= 768, 10)
    assert size_is_rule(app, 144), "moving the window changed its size"
    start, hint = measure_fonts(*window_shot(app, config, "dpi144"), 144)
    assert ratio_near(start[0], start96[0]) and ratio_near(start[1], start96[1]) and \
        ratio_near(hint, hint96), \
        f"the text is not 1.5 x as large: Start {start96} -> {start}, hint {hint96} -> {hint}"
    # The size rule holds in twips.
    left, top, right, bottom = app.snapshot().window.outer
    mid = (top + bottom) // 2
    app.drag(right - 2, mid, right + 100, mid)
    wait_rule(app, "the size back after a drag of the border at 144 DPI", 144)
    # The read-out and the run work in physical pixels.
    app.move_pointer(900, 700)
    app.wait_for("the read-out of 900,700", 5, Text2=readout(900, 700))
    # A point of the target right of the window, which at 144 DPI covers the rest of it.
    right = app.snapshot().window.outer[2]
    assert right < 930, f"the window reaches to {right}, over the point to click"
    # Clicks 1.2 s apart: never paired into a double click, however late a tick comes.
    app.set_fields(Text4=930, Text5=150, Text6=2, Text8="0.02")
    app.click("Command4")
    app.wait_for("the finished run", 20, Command4=run_caption("kFinishedHead", 2))
    app.poll("two clicks at 930,150",
             lambda: (target.count("down", 930, 150), target.count("up", 930, 150)) == (2, 2), 5,
             last=target.describe)
