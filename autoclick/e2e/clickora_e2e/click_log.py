"""The event log that both click targets write: one event a line, `down|dblclk|up X Y T` or `key VK`."""


class ClickLog:
    """Reads a click target's log; the backends' targets add how they were started."""

    def __init__(self, process, log_path):
        self.process = process
        self.log_path = log_path

    def events(self):
        try:
            with open(self.log_path) as events:
                return [line.split() for line in events if line.strip()]
        except FileNotFoundError:
            return []

    def count(self, kind, x=None, y=None):
        return sum(1 for e in self.events() if e[0] == kind and
                   (x is None or (int(e[1]), int(e[2])) == (x, y)))

    def presses(self):
        """Presses, those that paired up into double clicks included."""
        return self.count("down") + self.count("dblclk")

    def press_times(self):
        return [int(e[3]) for e in self.events() if e[0] in ("down", "dblclk") and len(e) > 3]

    def has_key(self, virtual_key):
        return ["key", str(virtual_key)] in self.events()

    def describe(self):
        events = self.events()
        return f"{len(events)} events: " + " | ".join(" ".join(e) for e in events[:40])
