#!/usr/bin/env python3
"""A stand-in for the desktop portal's remote desktop, on the bus of DBUS_SESSION_BUS_ADDRESS.

Answers the requests of a remote-desktop session as the portal does (each request object's
Response signal after the call has returned) and writes every call it gets, one JSON object a
line, to the log file: {"method", "args", "options"}.
"""

import argparse
import json

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

BUS_NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
REMOTE = "org.freedesktop.portal.RemoteDesktop"
CAST = "org.freedesktop.portal.ScreenCast"
REQUEST = "org.freedesktop.portal.Request"
SESSION = "org.freedesktop.portal.Session"


def plain(value):
    """A D-Bus value as JSON: numbers, strings, booleans, lists and maps."""
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.Double,)):
        return float(value)
    if isinstance(value, (int, dbus.Byte)):
        return int(value)
    if isinstance(value, str):
        return str(value)
    if isinstance(value, dict):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (list, tuple)):
        return [plain(v) for v in value]
    return repr(value)


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, portal, bus, path):
        super().__init__(bus, path)
        self.portal = portal

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        self.portal.log("Close", [], {})


class Portal(dbus.service.Object):
    def __init__(self, bus, args):
        super().__init__(bus, PATH)
        self.bus = bus
        self.args = args
        self.log_file = open(args.log, "a", encoding="utf-8")
        self.objects = []

    def log(self, method, args, options):
        self.log_file.write(json.dumps({"method": method, "args": plain(args),
                                        "options": plain(options)}) + "\n")
        self.log_file.flush()

    def answer(self, sender, options, code, results):
        token = str(options.get("handle_token", "t"))
        path = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        self.objects.append(request)

        def respond():
            request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
            return False

        GLib.idle_add(respond)
        return dbus.ObjectPath(path)

    @dbus.service.method(REMOTE, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender):
        self.log("CreateSession", [], options)
        path = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"),
                                     options.get("session_handle_token", "s"))
        self.objects.append(Session(self, self.bus, path))
        return self.answer(sender, options, 0, {"session_handle": dbus.String(path)})

    @dbus.service.method(REMOTE, in_signature="oa{sv}", out_signature="o",
                         sender_keyword="sender")
    def SelectDevices(self, session, options, sender):
        self.log("SelectDevices", [session], options)
        return self.answer(sender, options, 0, {})

    @dbus.service.method(CAST, in_signature="oa{sv}", out_signature="o", sender_keyword="sender")
    def SelectSources(self, session, options, sender):
        self.log("SelectSources", [session], options)
        return self.answer(sender, options, 0, {})

    @dbus.service.method(REMOTE, in_signature="osa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Start(self, session, parent, options, sender):
        self.log("Start", [session, parent], options)
        if self.args.refuse:
            return self.answer(sender, options, 1, {})
        stream = {"source_type": dbus.UInt32(1)}
        if self.args.stream_size:
            stream["size"] = dbus.Struct([dbus.Int32(v) for v in self.args.stream_size],
                                         signature="ii")
        results = {
            "devices": dbus.UInt32(2),
            "streams": dbus.Array([dbus.Struct([dbus.UInt32(self.args.node),
                                                dbus.Dictionary(stream, signature="sv")])],
                                  signature="(ua{sv})"),
        }
        if self.args.restore_token:
            results["restore_token"] = dbus.String(self.args.restore_token)
        return self.answer(sender, options, 0, results)

    @dbus.service.method(REMOTE, in_signature="oa{sv}udd", out_signature="")
    def NotifyPointerMotionAbsolute(self, session, options, stream, x, y):
        self.log("NotifyPointerMotionAbsolute", [session, stream, x, y], options)

    @dbus.service.method(REMOTE, in_signature="oa{sv}iu", out_signature="")
    def NotifyPointerButton(self, session, options, button, state):
        self.log("NotifyPointerButton", [session, button, state], options)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == REMOTE and name == "version":
            return dbus.UInt32(self.args.version)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.UnknownProperty")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--version", type=int, default=2)
    parser.add_argument("--node", type=int, default=42)
    parser.add_argument("--stream-size", type=int, nargs=2)
    parser.add_argument("--restore-token", default="")
    parser.add_argument("--refuse", action="store_true", help="the user cancels at Start")
    args = parser.parse_args()
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    # Both held for the life of the loop: the name goes when its object does.
    name = dbus.service.BusName(BUS_NAME, bus)
    portal = Portal(bus, args)
    GLib.MainLoop().run()
    del name, portal


if __name__ == "__main__":
    main()
