"""The window as it comes up: its title, place and size, the design values of the fields, the
selected mode, the read-outs, and the picture and labels on the screen."""
import os
import re

from clickora_e2e import pixels
from clickora_e2e.product import design, outer_size_twips, text


def test_startup(app, config):
    snapshot = app.snapshot()
    window = snapshot.window
    assert window.title == text("kWindowCaption")
    assert app.x_windows(text("kWindowCaption")), "no X window titled Clickora"
    # The outer size the program keeps, at 15 twips a pixel.
    width, height = outer_size_twips()
    assert window.width == width // 15, f"the window is {window.width} pixels wide"
    assert height // 15 <= window.height <= height // 15 + 1, f"the window is {window.height} high"
    # Placed where designed.
    assert window.client == (design().left // 15, design().top // 15)

    fields = {name: design().control(name).text for name in ("Text4", "Text5", "Text6", "Text8")}
    app.expect(snapshot, **fields,
               Text7={"text": design().control("Text7").text, "visible": False},
               Command4={"text": text("kStartCaption"), "enabled": True},
               Option1={"text": text("kOption1Caption"), "checked": True},
               Option2={"text": text("kOption2Caption"), "checked": False, "enabled": True})
    readout = snapshot["Text2"].text
    assert re.fullmatch(r" x : -?\d+ , y :  -?\d+", readout), f"read-out {readout!r}"
    clock = snapshot["Text1"].text
    assert re.search(r"\d{1,2}[:.]\d{2}[:.]\d{2}", clock), f"time read-out {clock!r}"

    # Keep the pointer off the window for the picture.
    app.move_pointer(1000, 20)
    app.poll("the pointer off the window", lambda: app.pointer() == (1000, 20), 5)
    shot = os.path.join(config["artifacts"], "startup.png")
    app.screenshot(shot)
    pixels.crop_to(shot, window.outer, os.path.join(config["artifacts"], "startup-window.png"))
    image = pixels.load(shot)
    cx, cy = window.client
    # The picture: dark blue in the upper band, left of the read-outs.
    r, g, b = pixels.colour_at(image, cx + 4, cy + 60)
    assert b > 90 and b > r + 50, f"no blue picture at the top left (rgb {r} {g} {b})"
    # The white panel of the lower band.
    r, g, b = pixels.colour_at(image, cx + 4, cy + 230)
    assert min(r, g, b) > 235, f"no white panel in the lower band (rgb {r} {g} {b})"
    # White bold labels on the picture, black hints on the panel, the menu bar's names.
    marks = [
        (text("kLabel6Caption"), (cx + 8, cy + 13, 33, 17), "white", 0.25, 15),
        (text("kLabel9Caption"), (cx + 8, cy + 40, 25, 17), "white", 0.25, 15),
        (text("kLabel7Caption"), (cx + 16, cy + 192, 200, 17), "black", 0.40, 40),
        (text("kMenuFile"), (cx + 15 - 10, cy - 17, 20, 14), "black", 0.40, 8),
        (text("kMenuManual"), (cx + 53 - 10, cy - 17, 20, 14), "black", 0.40, 8),
    ]
    for label, box, colour, fuzz, least in marks:
        count = pixels.count_near(image, box, colour, fuzz)
        assert count >= least, f"{label!r} does not show ({count} {colour} pixels in {box})"
