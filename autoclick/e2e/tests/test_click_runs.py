"""Click runs into the click target: single and double clicks, the shortest period, and what the
Start button shows on the way."""
import time

import pytest

from clickora_e2e.product import run_caption
from clickora_e2e.runs import POINT, run_clicks


@pytest.mark.parametrize("mode, presses, doubles, releases", [
    ("single", 5, 0, 5),
    ("double", 5, 5, 10),
])
def test_run(e2e, mode, presses, doubles, releases):
    # Clicks 1.2 s apart: the window is read every 0.15 s, so each caption of the run is seen.
    target = run_clicks(e2e, 5, "0.02", mode == "double")
    got = (target.count("down", *POINT), target.count("dblclk", *POINT), target.count("up", *POINT))
    assert got == (presses, doubles, releases), \
        f"presses, double clicks, releases at {POINT}: {got}; {target.describe()}"
    assert len(target.events()) == presses + doubles + releases, \
        f"the target got clicks elsewhere: {target.describe()}"


def test_run_200(e2e):
    # The shortest period the field takes (0.06 s): one click per inner tick of the timer. Presses
    # that close together pair up into double clicks, so presses are counted with them.
    target = run_clicks(e2e, 200, "0.001", False)
    presses = target.count("down", *POINT) + target.count("dblclk", *POINT)
    releases = target.count("up", *POINT)
    assert (presses, releases) == (200, 200), f"{presses} presses and {releases} releases"
    assert len(target.events()) == 400, f"the target got clicks elsewhere: {target.describe()}"


def press_start_timed(app):
    """Presses Start; the moment just before the press."""
    point = app.snapshot().screen_point("Command4")
    app.move_pointer(*point)
    app.poll("the pointer on Start", lambda: app.pointer() == point, 5)
    pressed = time.monotonic()
    app.click_at(*point)
    return pressed


def test_backlog(e2e):
    # A period of 1.2 s; the inner tick of the timer is about 0.1 s.
    target = e2e.start_target(times=True)
    app = e2e.start_app()
    app.set_fields(Text4=800, Text5=200, Text6=1, Text8="0.02")
    # The program has been up for seconds (a pause of the scenario, not a wait), yet the first
    # run counts its period from Start.
    time.sleep(3)
    t0 = press_start_timed(app)
    app.poll("the first press", lambda: target.presses() >= 1, 20, interval=0.02)
    t1 = time.monotonic()
    assert t1 - t0 >= 1.1, f"the first click came {t1 - t0:.3f} s after Start, before the period"
    app.wait_for("the finished first run", 10, Command4=run_caption("kFinishedHead", 1))
    app.type_into("Text6", "3")
    # A pause of well over three periods: the timer counts it all.
    time.sleep(max(0.0, t1 + 5 - time.monotonic()))
    t0 = press_start_timed(app)
    app.poll("four presses", lambda: target.presses() >= 4, 20, interval=0.02)
    t1 = time.monotonic()
    app.wait_for("the finished second run", 10, Command4=run_caption("kFinishedHead", 3))
    # Paid out at once, one click per inner tick: the three clicks come within one period of
    # Start, each on a tick of its own.
    assert t1 - t0 < 1.2, f"the three clicks of the second run took {t1 - t0:.3f} s after Start"
    times = target.press_times()
    assert len(times) == 4, f"the target got {len(times)} presses, expected 4: {target.describe()}"
    for i in (2, 3):
        gap = times[i] - times[i - 1]
        assert 30 <= gap < 600, f"presses {i} and {i + 1} of the second run lie {gap} ms apart ({times})"
