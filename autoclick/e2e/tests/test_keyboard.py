"""The keyboard: the focus at start-up, the Tab order with the option group as one stop, Enter and
Space on Start; the length limits of the fields, typed and pasted."""
from clickora_e2e.product import text


def started_by_key(app, key):
    """With the focus on Start, KEY presses it: the run starts."""
    app.activate_window()
    app.poll("the focus on Start", lambda: app.snapshot().focus == "Command4", 10)
    app.keys(key)
    app.wait_for(f"the run started by {key}", 10,
                 Command4={"text": text("kStartedCaption"), "enabled": False})


def wait_focus(app, name, why=""):
    app.poll(f"the focus on {name}{why}", lambda: app.snapshot().focus == name, 5,
             last=lambda: f"the focus is on {app.snapshot().focus}")


def test_focus(e2e):
    # The design values give a period of a minute, so the run started here makes no click before
    # the program is ended.
    app = e2e.start_app()
    started_by_key(app, "Return")
    app.stop()
    app = e2e.start_app()
    app.poll("the focus on Start at start-up", lambda: app.snapshot().focus == "Command4", 10)
    app.activate_window()
    for name in ("Text2", "Text4", "Text5", "Text6", "Text8", "Option1", "Text1", "Command4"):
        app.keys("Tab")
        wait_focus(app, name, " after Tab")
    # The option group is visited at its selected button.
    app.click("Option2")
    app.wait_for("double click selected", 5, Option2={"checked": True})
    app.keys("Tab")
    wait_focus(app, "Text1", " after Tab from Option2")
    app.keys(*["Tab"] * 7)
    wait_focus(app, "Option2", ", the selected option,")
    app.keys("Tab", "Tab")
    started_by_key(app, "space")


def typed_into(app, name, typed, expected):
    """Types TYPED into the emptied text box NAME; it then holds EXPECTED."""
    app.click(name)
    app.keys("End", "shift+Home", "BackSpace")
    app.type_text(typed)
    app.wait_for(f"{name} after typing {typed!r}", 5, **{name: expected})


def pasted_into(app, name, piece, repeat, length):
    """Pastes PIECE repeated REPEAT times over the whole text of NAME; it then holds as many
    characters of it as LENGTH."""
    app.clip(piece * repeat)
    app.click(name)
    app.keys("End", "shift+Home", "ctrl+v")
    app.wait_for(f"{name} after pasting {len(piece) * repeat} characters", 10,
                 **{name: (piece * repeat)[:length]})


def test_typing_limits(app):
    typed_into(app, "Text6", "123456789012", "12345678")
    typed_into(app, "Text8", "0.0123456", "0.012")
    pasted_into(app, "Text6", "987654321098", 1, 8)
    pasted_into(app, "Text8", "34567890", 1, 5)
    # X and Y take any length: 10,000 characters each.
    pasted_into(app, "Text4", "1234567890", 1000, 10000)
    pasted_into(app, "Text5", "9876543210", 1000, 10000)
    assert len(app.text("Text4")) == 10000
    # Typing goes on after 10,000 characters.
    app.click("Text4")
    app.keys("End")
    app.type_text("55")
    app.poll("Text4 at 10,002 characters", lambda: len(app.text("Text4")) == 10002, 5)
