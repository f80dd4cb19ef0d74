#!/usr/bin/python3
"""A backend of the desktop portal's global shortcuts
(org.freedesktop.impl.portal.GlobalShortcuts) for the real xdg-desktop-portal
frontend, on a private bus. It stands in only for the compositor, which takes
the keys and would report them pressed: nothing here can press a key.

Writes each call to the record file, one line each:
  Create TOKEN TRIGGER...   a session made, with the preferred triggers its options name
  Bind TOKEN TRIGGER...     shortcuts bound to a session (their preferred triggers)
  Close TOKEN               a session closed
  Press ID SECONDS          Activated sent for ID (the monotonic clock's time)
The test presses a key with the method Press(s id) of org.toviwall.PortalTest
at /test: Activated goes to the newest open session that has the shortcut, and
Press answers whether there was one."""
import argparse
import sys
import time

import dbus
import dbus.bus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IMPL = "org.freedesktop.impl.portal.GlobalShortcuts"
SESSION = "org.freedesktop.impl.portal.Session"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--name", required=True, help="the bus name the .portal file gives")
    args = parser.parse_args()

    def record(*words):
        with open(args.record, "a") as f:
            f.write(" ".join(str(w) for w in words) + "\n")

    def token(path):
        return str(path).rsplit("/", 1)[-1]

    def triggers(shortcuts):
        return sorted(str(props.get("preferred_trigger", "")) for _, props in shortcuts)

    sessions = {}  # session path -> its shortcut ids, in the order made

    class Session(dbus.service.Object):
        def __init__(self, bus, path):
            super().__init__(bus, path)
            self.path = path

        @dbus.service.method(SESSION)
        def Close(self):
            record("Close", token(self.path))
            sessions.pop(self.path, None)
            self.remove_from_connection()

    class Portal(dbus.service.Object):
        @dbus.service.method(IMPL, in_signature="oosa{sv}", out_signature="ua{sv}")
        def CreateSession(self, handle, session_handle, app_id, options):
            record("Create", token(session_handle), *triggers(options.get("shortcuts", [])))
            sessions[str(session_handle)] = []
            Session(bus, session_handle)
            # A backend that registers nothing before the binding; the 1.16
            # frontend wants the key all the same.
            return 0, {"shortcuts": dbus.Array([], signature="(sa{sv})")}

        @dbus.service.method(IMPL, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
        def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options):
            record("Bind", token(session_handle), *triggers(shortcuts))
            if str(session_handle) not in sessions:
                return 2, {}
            sessions[str(session_handle)] = [str(i) for i, _ in shortcuts]
            bound = [(i, {"description": p.get("description", ""),
                          "trigger_description": p.get("preferred_trigger", "")}) for i, p in shortcuts]
            return 0, {"shortcuts": dbus.Array(bound, signature="(sa{sv})")}

        @dbus.service.method(IMPL, in_signature="oo", out_signature="ua{sv}")
        def ListShortcuts(self, handle, session_handle):
            ids = sessions.get(str(session_handle), [])
            return 0, {"shortcuts": dbus.Array([(i, {}) for i in ids], signature="(sa{sv})")}

        @dbus.service.signal(IMPL, signature="osta{sv}")
        def Activated(self, session_handle, shortcut_id, timestamp, options):
            pass

    class Test(dbus.service.Object):
        @dbus.service.method("org.toviwall.PortalTest", in_signature="s", out_signature="b")
        def Press(self, shortcut_id):
            for path in reversed(list(sessions)):
                if shortcut_id in sessions[path]:
                    now = time.monotonic()
                    portal.Activated(dbus.ObjectPath(path), shortcut_id, dbus.UInt64(int(now * 1000)),
                                     dbus.Dictionary({}, signature="sv"))
                    record("Press", shortcut_id, "%.6f" % now)
                    return True
            return False

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(args.address)
    keep = [dbus.service.BusName(args.name, bus, do_not_queue=True)]
    portal = Portal(bus, "/org/freedesktop/portal/desktop")
    keep.append(Test(bus, "/test"))
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
