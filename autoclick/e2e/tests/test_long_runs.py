"""Long runs on a real computer: the computer kept awake from Start to every end of a run, and the
periods of a locked session skipped, never clicked and never counted, so that a run still ends
after exactly its clicks. Under Wine the lock is the system's WM_WTSSESSION_CHANGE to the
program's session window and the keep-awake its execution state; on X11 they are logind's
LockedHint and inhibitor, stand-ins on the case's own D-Bus."""
import pytest

from clickora_e2e.product import run_caption, text

POINT = (800, 200)  # inside the click target


def start_run(app, count, period="0.01", x=POINT[0]):
    app.set_fields(Text4=x, Text5=POINT[1], Text6=count, Text8=period)
    app.click("Command4")
    app.wait_for("the run to start", 5, Command4={"enabled": False})


def run_through_a_lock(e2e, app, lock, unlock):
    """A run of 3 clicks, locked by LOCK() after its first click and unlocked by UNLOCK() once
    the lock has held for three periods: no click while locked, none counted, the tip says so,
    and the run ends after exactly its 3 clicks."""
    target = e2e.start_target()
    start_run(app, 3)
    app.poll("the first click", lambda: target.count("down", *POINT) >= 1, 10,
             last=target.describe)
    lock()
    # A click already on its way when the lock came still lands; from then on none.
    app.poll("the lock to be heard", lambda: text("kLockedTip") in (app.tip("Command4") or ""),
             5, last=lambda: app.tip("Command4"))
    made = target.count("down", *POINT)
    assert made < 3, f"the run ended before the lock: {target.describe()}"
    events = target.events()
    app.holds("no click while locked", lambda: target.events() == events, 2.0,
              last=target.describe)
    app.expect(Command4={"text": run_caption("kProgressHead", made), "enabled": False},
               Text7=str(made + 1))
    tip = app.tip("Command4")
    assert "\n" + text("kSkippedHead") in tip and text("kSkippedLocked") in tip, \
        f"the tip while locked: {tip!r}"

    unlock()
    app.wait_for("the finished run", 20, Command4=run_caption("kFinishedHead", 3))
    app.holds("no click after the run", lambda: target.count("down") == 3, 1.0,
              last=target.describe)
    assert (target.count("down", *POINT), target.count("up", *POINT)) == (3, 3), \
        target.describe()
    summary = app.tip("Command4")
    assert summary.startswith(text("kSummaryHead") + "3 ") and text("kSkippedLocked") in summary, \
        f"the summary after the run: {summary!r}"


def test_locked_session_skips_its_periods(e2e):
    app = e2e.start_app()
    run_through_a_lock(e2e, app, lambda: app.set_session_locked(True),
                       lambda: app.set_session_locked(False))


@pytest.mark.backends("x11")
def test_screen_saver_stands_for_the_lock_without_a_logind_session(e2e):
    e2e.start_dbus("login1-nosession,screensaver")
    app = e2e.start_app()
    run_through_a_lock(e2e, app,
                       lambda: e2e.dbus.standin("SetScreenSaverActive", "boolean:true"),
                       lambda: e2e.dbus.standin("SetScreenSaverActive", "boolean:false"))


@pytest.mark.parametrize("end", ["finished", "stopped by F6", "run-time error"])
def test_kept_awake_from_start_to_the_end(e2e, end):
    app = e2e.start_app()
    assert not app.kept_awake(), "kept awake before any run"
    x = "1e10" if end == "run-time error" else POINT[0]
    start_run(app, 1000 if end == "stopped by F6" else 2, "0.02" if end != "finished" else "0.01",
              x=x)
    if end == "run-time error":
        # The first click's X is out of range: the run ends in a message.
        app.wait_dialog(text("kApplicationTitle"), 20)
        assert not app.kept_awake(), "still kept awake behind the run-time error's message"
        app.answer_message()
        return
    assert app.kept_awake(), "not kept awake during the run"
    tip = app.tip("Command4")
    assert "\n" + text("kKeptAwakeTip") in tip, f"the tip during the run: {tip!r}"
    if end == "stopped by F6":
        app.keys("F6")
    app.wait_for("the end of the run", 20, Command4={"enabled": True})
    assert not app.kept_awake(), f"still kept awake after the run ({end})"


def test_refused_start_keeps_nothing_awake(e2e):
    app = e2e.start_app()
    app.set_fields(Text8="40000")
    app.click("Command4")
    app.wait_dialog(text("kApplicationTitle"), 10)
    assert not app.kept_awake(), "kept awake behind the refusal's message"
    app.answer_message()
    app.wait_for("Start given back", 5, Command4={"text": text("kStartCaption"), "enabled": True})
    assert not app.kept_awake(), "kept awake after a refused Start"


@pytest.mark.backends("x11")
def test_inhibit_names_the_run_and_goes_with_the_program(e2e):
    app = e2e.start_app()
    start_run(app, 5, "90")
    reason = "tapvane คลิกทุก 90 นาที จนครบ 5 ครั้ง"
    assert f"inhibit logind sleep tapvane block {reason}" in e2e.dbus.lines(), e2e.dbus.lines()
    app.menu("exitna")
    app.wait_ended()
    app.poll("the inhibitor lock to go", lambda: "release logind" in e2e.dbus.lines(), 5,
             last=e2e.dbus.lines)


@pytest.mark.backends("x11")
def test_portal_first_and_the_sleeps_of_a_run(e2e):
    e2e.start_dbus("login1,portal")
    app = e2e.start_app()
    start_run(app, 2)
    reason = "tapvane คลิกทุก 0.01 นาที จนครบ 2 ครั้ง"
    assert f"inhibit portal 4 {reason}" in e2e.dbus.lines(), e2e.dbus.lines()
    e2e.dbus.standin("Sleep")
    app.wait_for("the end of the run", 20, Command4=run_caption("kFinishedHead", 2))
    slept = text("kSleptHead") + "1" + text("kSleptTail")
    summary = app.tip("Command4")
    assert summary == (text("kSummaryHead") + "2 " + text("kCaptionTail") +
                       text("kSummarySeparator") + text("kNothingSkipped") +
                       text("kSummarySeparator") + slept), f"the summary: {summary!r}"
    app.poll("the portal's request closed", lambda: "release portal" in e2e.dbus.lines(), 5,
             last=e2e.dbus.lines)
    assert not any(line.startswith("inhibit logind") for line in e2e.dbus.lines()), \
        f"logind asked although the portal answered: {e2e.dbus.lines()}"


@pytest.mark.backends("x11")
def test_nothing_to_keep_awake_is_told_once(e2e):
    e2e.start_dbus("")
    target = e2e.start_target()
    app = e2e.start_app()
    for run in (1, 2):
        start_run(app, 2)
        if run == 1:
            message = app.wait_dialog(text("kApplicationTitle"), 10)
            assert message.texts()[0].startswith(text("kNotKeptAwakeMessage") + "\n\n"), \
                f"the message: {message.texts()}"
            app.answer_message()
            tip = app.tip("Command4")
            assert "\n" + text("kNotKeptAwakeTipHead") in tip, f"the tip: {tip!r}"
        app.wait_for(f"the end of run {run}", 20, Command4=run_caption("kFinishedHead", 2))
        assert app.dialog(text("kApplicationTitle")) is None, f"told again at Start {run}"
    # The second run's first click pays the time owed since the first run's last: two presses that
    # close together pair up into a double click.
    presses = target.count("down", *POINT) + target.count("dblclk", *POINT)
    assert presses == 4, target.describe()
