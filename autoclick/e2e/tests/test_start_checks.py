"""What Start does with the fields: the period's limits, an X that overflows, an X that is not a
number, and a second press while a run starts."""

from clickora_e2e.product import run_caption, text

APP = text("kApplicationTitle")


def press_start_expecting(app, message):
    """Start with the period typed shows MESSAGE; after OK the window stays, Start given back."""
    app.click("Command4")
    box = app.wait_dialog(APP, 10)
    assert box.has_text(message), f"the message box says {box.texts()}, not {message!r}"
    app.answer_message(APP)
    app.holds(f"the program going on after the message {message!r}", app.alive, 1)
    assert app.dialog(text("kWindowCaption")), "the window is gone after the message"
    app.expect(Command4={"text": text("kStartCaption"), "enabled": True})

def test_period_limits(app):
    # Periods out of range (at most the 5 characters that Text8 takes), each refused in the
    # program's own message box; Start is given back each time, the counter kept, and the program
    # goes on.
    for period, message in [("34561", "kPeriodTooLongMessage"), ("99999", "kPeriodTooLongMessage"),
                            ("0", "kPeriodTooShortMessage"), ("-1", "kPeriodTooShortMessage"),
                            ("abc", "kPeriodTooShortMessage"),
                            # more than 0, but no time at all to the timer
                            ("1e-99", "kPeriodTooShortMessage")]:
        app.type_into("Text8", period)
        press_start_expecting(app, text(message))
        app.expect(Text7="1")
    # 34560 minutes itself is accepted: the run starts.
    app.type_into("Text8", "34560")
    app.click("Command4")
    app.holds("no message for 34560 minutes", lambda: app.dialog(APP) is None, 1)
    app.expect(Command4={"text": text("kStartedCaption"), "enabled": False})

def test_x_overflow(e2e):
    target = e2e.start_target()
    app = e2e.start_app()
    app.set_fields(Text4="1e10", Text5=200, Text6=3, Text8="0.01")
    app.click("Command4")
    message = app.wait_dialog(APP)
    assert any("Overflow" in line for line in message.texts()), \
        f"the message does not name the error: {message.texts()}"
    app.answer_message(APP)
    assert app.alive(), "the program ended after the message"
    # The run has stopped: Start is given back, and no message and no click follows in three
    # periods.
    app.wait_for("Start enabled again", 5, Command4={"enabled": True})
    app.holds("no second message (the run went on)", lambda: app.dialog(APP) is None, 2)
    app.expect(Command4={"text": text("kStartCaption"), "enabled": True},
               Text4="1e10", Text5="200", Text6="3", Text8="0.01")
    assert target.presses() == 0, f"the target got clicks: {target.describe()}"

def test_x_letters(e2e):
    target = e2e.start_target()
    app = e2e.start_app()
    app.set_fields(Text4="abc", Text5=200, Text6=2, Text8="0.02")
    app.click("Command4")
    # The pointer is put in the target by the user; the run clicks there without moving it.
    app.move_pointer(700, 150)
    app.wait_for("the finished run", 20, Command4=run_caption("kFinishedHead", 2))
    counts = (target.count("down", 700, 150), target.count("up", 700, 150))
    assert counts == (2, 2), f"presses and releases at 700,150: {counts}; {target.describe()}"
    assert len(target.events()) == 4, f"the target got clicks elsewhere: {target.describe()}"
    assert app.pointer() == (700, 150), f"the pointer moved to {app.pointer()}"

def test_start_twice(e2e):
    target = e2e.start_target()
    app = e2e.start_app()
    app.set_fields(Text4=800, Text5=200, Text6=2, Text8="0.01")
    # Two presses in quick succession: the second finds Start disabled.
    app.click_at(*app.snapshot().screen_point("Command4"), repeat=2, delay_ms=60)
    app.wait_for("the finished run", 20, Command4=run_caption("kFinishedHead", 2))
    # Three more periods: a second run would click again.
    settled = target.events()
    app.holds("no click after the run", lambda: target.events() == settled, 2,
              last=target.describe)
    app.expect(Command4=run_caption("kFinishedHead", 2), Text7="3")
    counts = (target.count("down", 800, 200), target.count("up", 800, 200))
    assert counts == (2, 2), f"presses and releases: {counts}; {target.describe()}"
