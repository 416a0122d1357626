"""Steps of a click run that several scenarios take (the end-to-end suite, the release tests)."""
import re

from .product import run_caption, text

POINT = (800, 200)


def run_clicks(e2e, count, period, double):
    """A run of COUNT clicks every PERIOD minutes at POINT into a click target, checked on the way
    (the captions) and at its end (no click after it); the target."""
    target = e2e.start_target()
    app = e2e.start_app()
    app.set_fields(Text4=POINT[0], Text5=POINT[1], Text6=count, Text8=period)
    if double:
        app.click("Option2")
        app.wait_for("double click selected", 5, Option2={"checked": True}, Option1={"checked": False})
    app.click("Command4")
    snapshot = app.snapshot()
    assert not snapshot["Command4"].enabled, "Start stays enabled during the run"
    captions = [snapshot["Command4"].text]
    finished = text("kFinishedHead")

    def finished_yet():
        caption = app.text("Command4")
        # NOTE: a read that catches nothing (it raced the window's own update) is no caption.
        if caption and caption != captions[-1]:
            captions.append(caption)
        return caption.startswith(finished)

    app.poll("the run to finish", finished_yet, 120, interval=0.15,
             last=lambda: f"captions seen {captions}")
    app.expect(Command4={"text": run_caption("kFinishedHead", count), "enabled": True},
               Text7=str(count + 1))
    # With a period shorter than a read of the window the first click may come before the first
    # read.
    if period != "0.001":
        assert captions[0] == text("kStartedCaption"), f"the caption at Start was {captions[0]!r}"
    # Every progress caption seen counts the clicks made: head, two blanks, k, two blanks, tail.
    progress = [c for c in captions if c.startswith(text("kProgressHead"))]
    assert progress, f"no progress caption was seen: {captions}"
    last = 0
    for caption in progress:
        match = re.fullmatch(re.escape(text("kProgressHead")) + r"  (\d+)  " +
                             re.escape(text("kCaptionTail")), caption)
        assert match, f"malformed progress caption {caption!r}"
        made = int(match.group(1))
        assert last < made < count, f"progress caption counts {made} after {last}, in a run of {count}"
        last = made
    # No click after the finished caption, even after a few more periods.
    settled = target.events()
    app.holds("no click after the run", lambda: target.events() == settled, 1.5,
              last=target.describe)
    return target
