"""The manual: F1 and Manual > Manual open it; without it beside the program a Thai message
names where it was looked for."""
import os
import re
import shutil

import pytest

from clickora_e2e.product import manual_missing_head, text

HELP_TITLE = "Clickora Manual"  # the title manual.chm gives its window


def help_opens(app):
    app.wait_dialog(HELP_TITLE, 20)
    assert HELP_TITLE in [title for _, title in app.windows()], "the help window is not listed"
    assert app.alive(), "the program ended when the help opened"
    assert app.dialog(text("kWindowCaption")), "the main window went away"
    app.close(HELP_TITLE)
    app.wait_dialog_gone(HELP_TITLE, 10)


pytestmark = pytest.mark.backends("wine")


def test_help_f1(app):
    app.activate_window()
    app.keys("F1")
    help_opens(app)


def test_help_menu(app):
    app.menu("Aboutja")
    help_opens(app)


def test_help_missing(e2e):
    # Without manual.chm beside the program, Manual > Manual says so in Thai, naming where the
    # manual was looked for, and the program goes on.
    alone = os.path.join(e2e.dir, "alone")
    os.makedirs(alone)
    shutil.copy(e2e.backend.config["tapvane"], alone)
    app = e2e.start_app(exe=os.path.join(alone, "tapvane.exe"))
    app.menu("Aboutja")
    title = text("kApplicationTitle")
    message = app.wait_dialog(title)
    head = manual_missing_head()
    assert any(line.startswith(head) and re.search(r"alone\\manual\.chm: ", line)
               for line in message.texts()), f"the message does not name the manual: {message.texts()}"
    # Its OK button, pressed with the mouse as a user would.
    app.press_ok(title)
    assert app.alive(), "the program ended after the message"
    assert app.dialog(HELP_TITLE) is None, "a help window opened without the manual"
