#!/usr/bin/env python3
"""Stand-ins for the desktop's D-Bus services that tapvane asks during a run, on private buses.

    dbus_standins.py LOG --services login1,portal,screensaver

login1 (on the system bus, DBUS_SYSTEM_BUS_ADDRESS): the manager's Inhibit, GetSession,
GetSessionByPID and PrepareForSleep, and one session with LockedHint. "login1-nosession" offers the
manager without any session. portal and screensaver (on the session bus): the portal's Inhibit
with its request objects, and the screen saver's GetActive and ActiveChanged.

Every question a program asks is written to LOG as one line ("inhibit portal 4 <reason>",
"release portal", "inhibit logind sleep tapvane block <reason>", "release logind", ...). The test
steers the stand-ins through the methods of org.clickora.StandIn on /org/clickora/StandIn of the
session bus: SetLocked(b), SetScreenSaverActive(b), Sleep(). "ready" is written once every name
is owned.
"""
import argparse
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

LOGIND = "org.freedesktop.login1"
SESSION_PATH = "/org/freedesktop/login1/session/c1"


class Log:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8", buffering=1)

    def __call__(self, *words):
        self.file.write(" ".join(str(word) for word in words) + "\n")


class Session(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, SESSION_PATH)
        self.locked = False

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == LOGIND + ".Session" and name == "LockedHint":
            return dbus.Boolean(self.locked)
        raise dbus.exceptions.DBusException("no such property", name=dbus.PROPERTIES_IFACE + ".Error")

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"LockedHint": dbus.Boolean(self.locked)}

    @dbus.service.signal(dbus.PROPERTIES_IFACE, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def set_locked(self, locked):
        self.locked = locked
        self.PropertiesChanged(LOGIND + ".Session", {"LockedHint": dbus.Boolean(locked)}, [])


class Manager(dbus.service.Object):
    def __init__(self, bus, log, with_session):
        super().__init__(bus, "/org/freedesktop/login1")
        self.log = log
        self.with_session = with_session
        self.locks = []

    def _session(self):
        if not self.with_session:
            raise dbus.exceptions.DBusException(
                "no session", name=LOGIND + ".NoSessionForPID")
        return dbus.ObjectPath(SESSION_PATH)

    @dbus.service.method(LOGIND + ".Manager", in_signature="s", out_signature="o")
    def GetSession(self, name):
        self.log("get-session", name)
        return self._session()

    @dbus.service.method(LOGIND + ".Manager", in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        return self._session()

    @dbus.service.method(LOGIND + ".Manager", in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        read_end, write_end = os.pipe()
        self.log("inhibit logind", what, who, mode, why)
        # The lock ends when the program closes every copy of the write end: the read end hangs up.
        def closed(fd, condition):
            self.log("release logind")
            os.close(fd)
            return False
        GLib.io_add_watch(read_end, GLib.IO_HUP | GLib.IO_ERR, closed)
        lock = dbus.types.UnixFd(write_end)
        os.close(write_end)
        return lock

    @dbus.service.signal(LOGIND + ".Manager", signature="b")
    def PrepareForSleep(self, starting):
        pass


class PortalRequest(dbus.service.Object):
    def __init__(self, bus, path, log):
        super().__init__(bus, path)
        self.log = log

    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        self.log("release portal")
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.log = log
        self.requests = 0

    @dbus.service.method("org.freedesktop.portal.Inhibit", in_signature="sua{sv}",
                         out_signature="o")
    def Inhibit(self, window, flags, options):
        self.requests += 1
        path = "/org/freedesktop/portal/desktop/request/standin/t%d" % self.requests
        PortalRequest(self.bus, path, self.log)
        self.log("inhibit portal", int(flags), str(options.get("reason", "")))
        return dbus.ObjectPath(path)


class ScreenSaver(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.active = False

    @dbus.service.method("org.freedesktop.ScreenSaver", out_signature="b")
    def GetActive(self):
        return self.active

    @dbus.service.signal("org.freedesktop.ScreenSaver", signature="b")
    def ActiveChanged(self, active):
        pass


class Control(dbus.service.Object):
    def __init__(self, bus, log, session, manager, saver):
        super().__init__(bus, "/org/clickora/StandIn")
        self.log, self.session, self.manager, self.saver = log, session, manager, saver

    @dbus.service.method("org.clickora.StandIn", in_signature="b")
    def SetLocked(self, locked):
        self.log("locked", bool(locked))
        self.session.set_locked(bool(locked))

    @dbus.service.method("org.clickora.StandIn", in_signature="b")
    def SetScreenSaverActive(self, active):
        self.log("screensaver", bool(active))
        self.saver.active = bool(active)
        self.saver.ActiveChanged(bool(active))

    @dbus.service.method("org.clickora.StandIn")
    def Sleep(self):
        self.log("sleep")
        self.manager.PrepareForSleep(True)
        self.manager.PrepareForSleep(False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("log")
    parser.add_argument("--services", default="login1")
    args = parser.parse_args()
    wanted = set(filter(None, args.services.split(",")))
    log = Log(args.log)

    DBusGMainLoop(set_as_default=True)
    session_bus = dbus.SessionBus()
    system_bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
    names = []
    session = Session(system_bus)
    manager = Manager(system_bus, log, "login1-nosession" not in wanted)
    if wanted & {"login1", "login1-nosession"}:
        names.append(dbus.service.BusName(LOGIND, system_bus))
    saver = ScreenSaver(session_bus)
    if "screensaver" in wanted:
        names.append(dbus.service.BusName("org.freedesktop.ScreenSaver", session_bus))
    if "portal" in wanted:
        Portal(session_bus, log)
        names.append(dbus.service.BusName("org.freedesktop.portal.Desktop", session_bus))
    Control(session_bus, log, session, manager, saver)
    names.append(dbus.service.BusName("org.clickora.StandIn", session_bus))
    log("ready")
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
