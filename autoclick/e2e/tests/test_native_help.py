"""What only the native Linux program has: its own help window over the HTML manual (F1 and
Manual > Manual, from the window, a message box or the file dialog; its links; Esc), the message
when the manual is missing, and the message when its control library is missing."""
import os
import re
import shutil

import pytest

from clickora_e2e.product import SOURCE_DIR, text

pytestmark = pytest.mark.backends("x11")
HTML = os.path.join(SOURCE_DIR, "autoclick", "help", "html")
# The captions of the pages the cases visit.
HELP_WINDOWS = r"^(Clickora - |หน้าต่างโปรแกรม)"


def page_title(page):
    with open(os.path.join(HTML, page), encoding="utf-8") as html:
        return re.search(r"<title>(.*?)</title>", html.read()).group(1)


def qt_text(name, source="qt_program_services.cpp"):
    """A text of the Linux runtime's own, from its source."""
    with open(os.path.join(SOURCE_DIR, "platform", "qt", "src", source), encoding="utf-8") as code:
        return re.search(name + r'(?:\[\])? = "([^"]*)"', code.read()).group(1)


def help_windows(app):
    return app.xdotool("search", "--onlyvisible", "--name", HELP_WINDOWS).split()


def wait_keyboard(app, window, what):
    """Waits until WINDOW has the keyboard. A window is shown before it takes the keyboard, and a
    key sent in between goes to the window that had it."""
    app.poll(f"the keyboard in {what}", lambda: app.xdotool("getwindowfocus") == window, 5,
             last=lambda: f"the keyboard is in X window {app.xdotool('getwindowfocus')}")


def expect_help(app, what, page="index.html"):
    """The help window is up at PAGE, its title and first heading the page's title, and it has the
    keyboard."""
    shown = app.poll(f"{what} to open the help window", lambda: help_windows(app), 5)
    title = page_title(page)
    app.poll(f"the help at {page} after {what}", lambda: app.help_page() == {
        "Title": title, "Heading": title, "Page": page}, 5, last=lambda: f"it shows {app.help_page()}")
    wait_keyboard(app, shown[0], "the help window")


def close_help(app):
    app.keys("Escape")
    app.poll("Esc to put the help window away", lambda: not help_windows(app), 5)


def expect_message(app, message):
    """A box of the program's own shows MESSAGE, with no icon and its one button "ตกลง" (OK);
    Enter closes it."""
    box = app.wait_dialog(text("kApplicationTitle"), 5)
    shown = app.message_box()
    assert (shown["Text"], shown["Caption"], shown["Icon"], shown["Buttons"]) == (
        message.replace("\n", "\\n"), text("kApplicationTitle"), "none",
        qt_text("kOkButtonText", "message_box.h")), f"the message box shows {shown}"
    assert box.has_text(message)
    app.answer_message()


def click_in_window(app):
    left, top = app.snapshot().window.outer[:2]
    app.click_at(left + 150, top + 150)


def test_help_from_menu_and_f1_then_exit(app, config):
    app.menu("Aboutja")
    expect_help(app, "Manual > Manual")
    app.screenshot(os.path.join(config["artifacts"], "help.png"))
    close_help(app)
    click_in_window(app)
    app.keys("F1")
    expect_help(app, "F1")
    close_help(app)
    assert app.alive(), "the program ended after the help"
    app.menu("exitna")
    assert app.wait_ended(5) == 0, "File > Exit ended the program with another status"


def test_help_window(app, config):
    # A period of 0 minutes is refused in a message box: F1 there. Start holds the focus; five
    # Tabs reach Text8, three more come back to Start.
    app.keys("Tab", "Tab", "Tab", "Tab", "Tab")
    app.type_text("0")
    app.wait_for("the typed period", 5, Text8="0")
    app.keys("Tab", "Tab", "Tab", "space")
    box = app.wait_dialog(text("kApplicationTitle"), 5)
    box_window = app.x_windows(text("kApplicationTitle"))[0]
    wait_keyboard(app, box_window, "the message box")
    app.keys("F1")
    expect_help(app, "F1 in the message box")
    # The help can be used beside the box: its links still work.
    app.keys("Tab", "Return")
    expect_help(app, "the first link beside the message box", "window.html")
    app.xdotool("windowfocus", "--sync", box_window, "key", "Return")
    app.wait_dialog_gone(box.title, 5)
    assert help_windows(app), "the help window went with the message box"
    app.xdotool("windowfocus", "--sync", help_windows(app)[0])
    close_help(app)

    # F1 in the window starts at the first page again; a link of the contents leads to its page,
    # whose title the window then carries.
    click_in_window(app)
    app.keys("F1")
    expect_help(app, "F1")
    app.keys("Tab", "Return")
    expect_help(app, "the first link", "window.html")
    assert app.x_windows(page_title("window.html")), "the help window is not captioned by its page"
    close_help(app)

    # File > Open: F1 in the file dialog.
    app.menu("openna")
    dialog = app.poll("the Open dialog", lambda: app.xdotool(
        "search", "--onlyvisible", "--name", "^open$").split(), 10)[0]
    wait_keyboard(app, dialog, "the Open dialog")
    app.keys("F1")
    expect_help(app, "F1 in the file dialog")
    app.screenshot(os.path.join(config["artifacts"], "help-dialog.png"))
    close_help(app)
    app.xdotool("windowfocus", "--sync", dialog, "key", "Escape")
    app.poll("the Open dialog to close", lambda: not app.xdotool(
        "search", "--onlyvisible", "--name", "^open$"), 5)
    assert app.alive(), "the program ended after the help"


def test_manual_missing(e2e, config):
    # A copy of the program with its control library but without the manual.
    alone = os.path.join(e2e.dir, "alone")
    os.makedirs(alone)
    program = config["tapvane"]
    shutil.copy(program, alone)
    shutil.copy(os.path.join(os.path.dirname(program), "libhorolon.so"), alone)
    app = e2e.start_app(exe=os.path.join(alone, "tapvane"))
    click_in_window(app)
    app.keys("F1")
    app.wait_dialog(text("kApplicationTitle"), 5)
    app.screenshot(os.path.join(config["artifacts"], "nomanual.png"))
    assert not help_windows(app), "a help window came up without a manual"
    # In the program's own words, naming where the manual was looked for.
    expect_message(app, qt_text("kManualMissingHead") + os.path.realpath(alone) +
                   "/manual/index.html")
    assert app.alive(), "the program ended after the message"


def test_control_library_missing(e2e, config):
    # A copy of the program in a folder of its own, without the control library.
    alone = os.path.join(e2e.dir, "alone")
    os.makedirs(alone)
    shutil.copy(config["tapvane"], alone)
    app = e2e.start_unwindowed(exe=os.path.join(alone, "tapvane"))
    box = app.wait_dialog(text("kApplicationTitle"), 20)
    app.screenshot(os.path.join(config["artifacts"], "nocontrol.png"))
    assert not app.x_windows(text("kWindowCaption")), "the window came up all the same"
    whole = "\n".join(box.texts())
    assert whole.startswith(text("kCannotStartHead")), f"the message: {whole!r}"
    for named in ("Horolib.LongTimer", "libhorolon.so"):
        assert named in whole, f"the message does not name {named}: {whole!r}"
    app.keys("Return")
    assert app.wait_ended(10) == 3, "the program ended with another status than 3"
