"""The program ends: File > Exit, the close box, closing during a run, and a start without the
timer control registered."""
import pytest

from clickora_e2e.product import text

WINDOW = text("kWindowCaption")


def window_gone(app):
    app.poll("the window to go", lambda: app.dialog(WINDOW) is None, 5)


def test_exit_menu(app):
    app.menu("exitna")
    app.wait_ended(15)
    window_gone(app)


@pytest.mark.backends("wine")
def test_close_window(app):
    outer = app.snapshot().window.outer
    # The close box is the last of the caption buttons at the top right of the frame.
    app.click_at(outer[2] - 17, outer[1] + 13)
    app.wait_ended(15)
    window_gone(app)


@pytest.mark.backends("wine")
def test_close_during_run(e2e):
    target = e2e.start_target()
    app = e2e.start_app()
    app.set_fields(Text4=800, Text5=200, Text6=50, Text8="0.01")
    app.click("Command4")
    app.poll("two presses in the target", lambda: target.presses() >= 2, 20)
    # NOTE: the run moves the pointer every period, so the close box could not be hit reliably;
    # the window gets the close request the close box sends.
    app.close()
    app.wait_ended(15)
    clicks = target.presses()
    app.holds("no click after the window was closed", lambda: target.presses() == clicks, 2,
              last=target.describe)
    window_gone(app)


@pytest.mark.backends("wine")
def test_unregistered(e2e):
    horolon = e2e.backend.config["horolon"]
    status = e2e.prefix.unregister(horolon)
    e2e.undo.append(lambda: e2e.prefix.register(horolon))
    # What matters here is that the class can no longer be found by its name.
    assert e2e.prefix.reg_query(r"HKCR\Horolib.LongTimer") is None, \
        f"Horolib.LongTimer is still registered after regsvr32 /u (status {status})"
    app = e2e.start_unwindowed()
    message = app.wait_dialog(text("kApplicationTitle"), 30)
    whole = "\n".join(message.texts())
    assert "Horolib.LongTimer" in whole, f"the message does not name the control: {whole!r}"
    assert "regsvr32" in whole, f"the message does not say how to register: {whole!r}"
    app.answer_message()
    assert app.wait_ended(15) != 0, "the program ended with status 0"
