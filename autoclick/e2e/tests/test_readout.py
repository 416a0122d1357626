"""The pointer read-out follows the pointer over the whole screen, and beyond its top left."""
import pytest

from clickora_e2e.product import readout


def test_readout_follows_pointer(app):
    for x, y in [(100, 50), (900, 700), (0, 0), (1023, 767)]:
        app.move_pointer(x, y)
        app.wait_for(f"the read-out of {x},{y}", 5, Text2=readout(x, y))


@pytest.mark.backends("wine")
def test_readout_negative(app):
    # With the desktop's X window moved right and down, the pointer at the top left of the X
    # screen lies above and left of the Windows screen.
    app.move_desktop(100, 80)
    try:
        app.move_pointer(30, 20)
        app.wait_for("the read-out left of and above the screen", 5, Text2=readout(-70, -60))
    finally:
        app.move_desktop(0, 0)
