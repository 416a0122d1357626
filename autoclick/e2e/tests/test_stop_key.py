"""F6 stops a run from any window; the Start button's tip names the key and the next click, or
why the key does not work."""
import re
import time

import pytest

from clickora_e2e.product import run_caption, text

VK_A, VK_F6 = 65, 117
# Clicks are counted as presses, those that a late tick paired into a double click included.


def start_long_run(e2e, count, period):
    """A run at (800, 200) in the click target, with Start pressed."""
    target = e2e.start_target()
    app = e2e.start_app()
    app.set_fields(Text4=800, Text5=200, Text6=count, Text8=period)
    app.click("Command4")
    app.wait_for("Start to be disabled", 5, Command4={"enabled": False})
    return target, app


def settled_presses(app, target, quiet=0.5):
    """The presses of the target once none has come for QUIET seconds: a click the program made
    just before it stopped may still be on its way to the target."""
    last = [target.presses(), time.monotonic()]

    def settled():
        now = target.presses()
        if now != last[0]:
            last[:] = [now, time.monotonic()]
        return time.monotonic() - last[1] >= quiet
    app.poll("the click target to settle", settled, 5)
    return last[0]


def seconds_of(clock):
    """The time of day in CLOCK (h:mm:ss, whatever surrounds it) in seconds."""
    match = re.search(r"(\d{1,2}):(\d{2}):(\d{2})", clock or "")
    assert match, f"no time in {clock!r}"
    hours, minutes, seconds = map(int, match.groups())
    return hours * 3600 + minutes * 60 + seconds


def test_stop_key(e2e):
    target, app = start_long_run(e2e, 1000, "0.01")
    app.poll("the third click", lambda: target.presses() > 2, 30)
    # The clicks made the target the active window: a key typed now reaches it, not tapvane.
    app.give_keyboard()
    app.keys("a")
    app.poll("the key a in the click target", lambda: target.has_key(VK_A), 5)
    app.keys("F6")
    app.wait_for("F6 to stop the run", 10, Command4={"enabled": True})
    made = settled_presses(app, target)
    app.expect(Command4=run_caption("kStoppedHead", made), Text7=str(made + 1))
    assert made < 1000, "the run was not stopped early"
    assert not target.has_key(VK_F6), "F6 reached the click target during the run"
    app.holds("no click after F6", lambda: target.presses() == made, 1.5,
              last=target.describe)
    # The tip keeps the run's summary until the next Start.
    tip = app.tip("Command4")
    assert tip and tip.startswith(f"{text('kSummaryHead')}{made} "), f"the tip after the run is {tip!r}"
    # F6 went back with the end of the run: another program can take it.
    e2e.end(e2e.start_holder())


def test_stop_key_tip(e2e):
    # Clicks 3 s apart leave time to read the tip between two of them.
    target, app = start_long_run(e2e, 5, "0.05")
    app.poll("the second click", lambda: target.presses() > 1, 30)
    before = target.presses()
    tip = app.tip("Command4")
    assert target.presses() == before, "a click came while the tip was read"
    head = text("kStopKeyTip") + text("kTipSeparator") + text("kNextClickHead")
    assert tip and tip.startswith(head), f"the tip after click {before} is {tip!r}"
    app.poll(f"click {before + 1}", lambda: target.presses() > before, 10)
    clock = app.text("Text1")
    named, at = seconds_of(tip), seconds_of(clock)
    diff = (at - named + 86400) % 86400
    # The clicks are 3 s apart: a tip that named another click would be off by 3 s or more.
    assert diff <= 2 or diff >= 86398, \
        f"after click {before} the tip named {named} s; click {before + 1} came at {at} s"


def test_stop_key_taken(e2e):
    e2e.start_holder()
    # Three clicks 3 s apart: time to read the tip during the run.
    target, app = start_long_run(e2e, 3, "0.05")
    tip = app.tip("Command4")
    head = (text("kStopKeyUnavailableHead") + text("kStopKeyTakenReason") + text("kTipSeparator")
            + text("kNextClickHead"))
    assert tip and tip.startswith(head), f"with F6 taken the tip is {tip!r}"
    app.give_keyboard()
    app.keys("F6")
    app.wait_for("the run to finish", 30, Command4=run_caption("kFinishedHead", 3))
    app.holds("three clicks and no more", lambda: target.presses() == 3, 1,
              last=target.describe)
