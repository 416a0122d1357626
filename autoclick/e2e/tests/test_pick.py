"""Picking the point with a click: F8 in the window or a double-click on the read-out, then one
real click anywhere. The click's point goes into X and Y, the click reaches no window beneath,
nothing else changes and the keyboard is tapvane's again; Esc and the right button cancel; a pick
during a run moves its next click; at 144 DPI (Windows) the point is in physical pixels; where
another program holds the pointer (X11) the pick is refused in a message and the fields stay."""
import pytest

from clickora_e2e.product import run_caption, text

POINT = (800, 200)  # inside the click target
OTHER = (700, 150)  # inside it too


def start_pick(app, how):
    with app.step(f"start a pick by {how}"):
        if how == "F8":
            app.keys("F8")
        else:
            app.double_click("Text2")
        app.poll("the pick surface over the screen", app.picking, 5,
                 last=lambda: f"windows: {app.windows()}")


def wait_pick_gone(app):
    app.poll("the pick surface to go", lambda: not app.picking(), 5,
             last=lambda: f"windows: {app.windows()}")


def fields(snapshot):
    """What a pick must leave alone: every field but X and Y, the mode and Start."""
    return {name: snapshot[name].text for name in ("Text6", "Text7", "Text8")} | {
        "Option1": {"checked": snapshot["Option1"].checked},
        "Option2": {"checked": snapshot["Option2"].checked},
        "Command4": {"text": snapshot["Command4"].text, "enabled": snapshot["Command4"].enabled}}


def test_pick_tip(app):
    tip = app.tip("Text2")
    assert tip == text("kPickTip"), f"the read-out's tip is {tip!r}"


@pytest.mark.parametrize("how", ["F8", "double-click"])
def test_pick_takes_the_click(e2e, how):
    target = e2e.start_target()
    app = e2e.start_app()
    app.activate_window()
    app.set_fields(Text6="7", Text8="3")
    before = fields(app.snapshot())
    start_pick(app, how)
    app.click_at(*POINT)
    app.wait_for("the picked point in X and Y", 5, Text4=str(POINT[0]), Text5=str(POINT[1]))
    wait_pick_gone(app)
    app.expect(**before)
    app.holds("no click reached the window beneath", lambda: target.events() == [], 1.0,
              last=target.describe)
    # The keyboard is tapvane's again: F8 works with no click on the window, Esc ends the pick.
    start_pick(app, "F8")
    app.keys("Escape")
    wait_pick_gone(app)
    app.expect(Text4=str(POINT[0]), Text5=str(POINT[1]))


@pytest.mark.parametrize("cancel", ["Escape", "right button"])
def test_pick_cancel_leaves_the_fields(e2e, cancel):
    target = e2e.start_target()
    app = e2e.start_app()
    app.activate_window()
    app.set_fields(Text4="-12", Text5="abc")
    before = fields(app.snapshot())
    start_pick(app, "F8")
    if cancel == "Escape":
        app.keys("Escape")
    else:
        app.right_click_at(*POINT)
    wait_pick_gone(app)
    app.holds("the fields as they were", lambda: app.text("Text4") == "-12" and
              app.text("Text5") == "abc", 1.0)
    app.expect(**before)
    assert target.events() == [], f"the cancelling click reached the target: {target.describe()}"
    # Nothing is left over the screen: the next click is the target's.
    app.click_at(*POINT)
    app.poll("the click on the target", lambda: target.count("down", *POINT) == 1, 5,
             last=target.describe)


def test_pick_during_a_run(e2e):
    # The run's first click at OTHER; a pick of POINT before the second holds the click that
    # comes due meanwhile, and the rest of the run clicks POINT. Three seconds between clicks:
    # each click activates the target, so the window is activated again before F8.
    target = e2e.start_target()
    app = e2e.start_app()
    app.activate_window()
    app.set_fields(Text4=OTHER[0], Text5=OTHER[1], Text6=3, Text8="0.05")
    app.click("Command4")
    app.poll("the first click", lambda: target.count("down", *OTHER) == 1, 15,
             last=target.describe)
    app.activate_window()
    start_pick(app, "F8")
    app.holds("no click while the pick waits", lambda: len(target.events()) == 2, 3.5,
              last=target.describe)
    app.click_at(*POINT)
    app.wait_for("the finished run", 30, Command4=run_caption("kFinishedHead", 3),
                 Text4=str(POINT[0]), Text5=str(POINT[1]))
    presses = (target.count("down", *OTHER), target.presses() - target.count("down", *OTHER))
    assert presses == (1, 2), f"presses at {OTHER} and elsewhere: {presses}; {target.describe()}"
    assert target.count("down", *POINT) + target.count("dblclk", *POINT) == 2, target.describe()


@pytest.mark.backends("wine")
def test_pick_at_144_dpi(e2e):
    # The point in physical pixels, as the read-out and the run use them, not scaled by the DPI.
    key = r"HKCU\Control Panel\Desktop"
    prefix = e2e.backend.prefix
    before = prefix.reg_query(key, "LogPixels")
    prefix.set_dword(key, "LogPixels", 144)
    e2e.undo.append(lambda: prefix.delete_value(key, "LogPixels") if before is None else
                    prefix.set_dword(key, "LogPixels", int(before, 0)))
    app = e2e.start_app()
    app.activate_window()
    start_pick(app, "F8")
    app.click_at(937, 611)
    app.wait_for("the physical point in X and Y", 5, Text4="937", Text5="611")
    wait_pick_gone(app)


@pytest.mark.backends("x11")
def test_pick_refused_while_another_program_holds_the_pointer(e2e):
    app = e2e.start_app()
    app.set_fields(Text4="-12", Text5="34")
    before = fields(app.snapshot())
    e2e.start_pointer_holder()
    app.activate_window()
    app.keys("F8")
    box = app.wait_dialog(text("kApplicationTitle"), 5)
    refusal = text("kPickRefusedMessage") + " (AlreadyGrabbed)"
    assert box.has_text(refusal), f"the message box shows {box.texts()}"
    app.answer_message()
    assert not app.picking(), "the pick surface stayed after the refusal"
    app.expect(Text4="-12", Text5="34", **before)
