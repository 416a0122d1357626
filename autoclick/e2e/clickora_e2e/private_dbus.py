"""A session bus and a system bus of a case's own, with stand-ins of the desktop's services that the
native program asks during a run (../dbus_standins.py): logind by default, so that a run can keep the
computer awake as on a desktop; the inhibit portal and the screen saver when a case names them.
Every question the program asks is a line of the stand-ins' log."""
import os
import subprocess
import time

from .app import Failure
from .testenv import stop_process

HERE = os.path.dirname(os.path.abspath(__file__))
STANDINS = os.path.join(HERE, "..", "dbus_standins.py")
# Debian's own Python: python3-dbus and python3-gi are installed for it.
PYTHON = "/usr/bin/python3"
CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def _wait(what, done, timeout=10):
    deadline = time.monotonic() + timeout
    while not done():
        if time.monotonic() > deadline:
            raise Failure(f"the private D-Bus: {what}")
        time.sleep(0.05)


class PrivateDBus:
    def __init__(self, folder, services="login1", env=None):
        """ENV: variables of the buses' and the stand-ins' own (a mark of the case's processes)."""
        self.folder = folder
        self.own_env = dict(os.environ, **(env or {}))
        self.log_path = os.path.join(folder, "dbus.log")
        self.processes = []
        self.addresses = {}
        try:
            for bus in ("session", "system"):
                self.addresses[bus] = self._start_bus(bus)
            with open(os.path.join(folder, "standins.err"), "wb") as err:
                self.processes.append(subprocess.Popen(
                    [PYTHON, STANDINS, self.log_path, "--services", services],
                    env=dict(self.own_env, **self.env()), stdin=subprocess.DEVNULL,
                    stdout=subprocess.DEVNULL, stderr=err))
            _wait("the stand-ins did not start", lambda: "ready" in self.lines())
        except BaseException:
            self.stop()
            raise

    def _start_bus(self, name):
        config = os.path.join(self.folder, f"{name}-bus.conf")
        with open(config, "w", encoding="utf-8") as out:
            out.write(CONFIG)
        address = os.path.join(self.folder, f"{name}-bus.txt")
        with open(address, "wb") as out, open(os.path.join(self.folder, f"{name}-bus.err"),
                                               "wb") as err:
            self.processes.append(subprocess.Popen(
                ["dbus-daemon", "--nofork", f"--config-file={config}", "--print-address=1"],
                env=self.own_env, stdin=subprocess.DEVNULL, stdout=out, stderr=err))
        _wait(f"the {name} bus did not start", lambda: os.path.getsize(address) > 0)
        with open(address, encoding="utf-8") as text:
            return text.readline().strip()

    def env(self):
        """The variables that put a program on these buses."""
        return {"DBUS_SESSION_BUS_ADDRESS": self.addresses.get("session"),
                "DBUS_SYSTEM_BUS_ADDRESS": self.addresses.get("system")}

    def lines(self):
        """What the program asked so far, one line a question."""
        try:
            with open(self.log_path, encoding="utf-8") as log:
                return log.read().splitlines()
        except FileNotFoundError:
            return []

    def standin(self, method, *args):
        """Steers the stand-ins: SetLocked boolean:true, SetScreenSaverActive ..., Sleep."""
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.clickora.StandIn",
                        "/org/clickora/StandIn", f"org.clickora.StandIn.{method}", *args],
                       check=True, capture_output=True, timeout=10,
                       env=dict(os.environ, **self.env()))

    def stop(self):
        for process in reversed(self.processes):
            stop_process(process, timeout=10)
        self.processes = []
