#!/usr/bin/python3
"""Stands in for systemd-logind (org.freedesktop.login1) and, with --screensaver,
for the freedesktop screen saver (org.freedesktop.ScreenSaver) on a private bus.
Answers what ToviWall asks and writes each call to the record file, one line
each ("LockSession 7", "PowerOff true"). Nothing is ever locked or switched off."""
import argparse
import sys

import dbus
import dbus.bus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

MANAGER = "org.freedesktop.login1.Manager"
SESSION_PATH = "/org/freedesktop/login1/session/_37"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--session", default="7", help="the one session's id")
    parser.add_argument("--can-suspend", default="yes")
    parser.add_argument("--can-hibernate", default="yes")
    parser.add_argument("--no-login1", action="store_true", help="leave org.freedesktop.login1 out")
    parser.add_argument("--screensaver", action="store_true", help="also be org.freedesktop.ScreenSaver")
    parser.add_argument("--refuse", action="append", default=[], metavar="METHOD=ERROR",
                        help="answer METHOD with the D-Bus error ERROR, as logind does when polkit says no")
    args = parser.parse_args()
    refusals = dict(r.split("=", 1) for r in args.refuse)
    messages = {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired": "Interactive authentication required.",
                "org.freedesktop.DBus.Error.AccessDenied": "Access denied"}

    def record(*words):
        with open(args.record, "a") as f:
            f.write(" ".join(str(w) for w in words) + "\n")

    def flag(value):
        return "true" if value else "false"

    def power(method, interactive):
        record(method, flag(interactive))
        if method in refusals:
            error = refusals[method]
            raise dbus.exceptions.DBusException(messages.get(error, error), name=error)

    class Manager(dbus.service.Object):
        @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
        def GetSession(self, session_id):
            if session_id != args.session:
                raise dbus.exceptions.DBusException("No session '%s' known" % session_id,
                                                    name="org.freedesktop.login1.NoSuchSession")
            return dbus.ObjectPath(SESSION_PATH)

        @dbus.service.method(MANAGER, in_signature="u", out_signature="o")
        def GetSessionByPID(self, pid):
            return dbus.ObjectPath(SESSION_PATH)

        @dbus.service.method(MANAGER, in_signature="s")
        def LockSession(self, session_id):
            record("LockSession", session_id)

        @dbus.service.method(MANAGER, in_signature="s")
        def TerminateSession(self, session_id):
            record("TerminateSession", session_id)

        @dbus.service.method(MANAGER, out_signature="s")
        def CanSuspend(self):
            return args.can_suspend

        @dbus.service.method(MANAGER, out_signature="s")
        def CanHibernate(self):
            return args.can_hibernate

        @dbus.service.method(MANAGER, in_signature="b")
        def Reboot(self, interactive):
            power("Reboot", interactive)

        @dbus.service.method(MANAGER, in_signature="b")
        def PowerOff(self, interactive):
            power("PowerOff", interactive)

        @dbus.service.method(MANAGER, in_signature="b")
        def Halt(self, interactive):
            power("Halt", interactive)

        @dbus.service.method(MANAGER, in_signature="b")
        def Suspend(self, interactive):
            power("Suspend", interactive)

        @dbus.service.method(MANAGER, in_signature="b")
        def Hibernate(self, interactive):
            power("Hibernate", interactive)

    class Session(dbus.service.Object):
        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
        def Get(self, interface, name):
            if interface == "org.freedesktop.login1.Session" and name == "Id":
                return dbus.String(args.session, variant_level=1)
            raise dbus.exceptions.DBusException("No property " + name,
                                                name="org.freedesktop.DBus.Error.UnknownProperty")

    class ScreenSaver(dbus.service.Object):
        active = False

        @dbus.service.method("org.freedesktop.ScreenSaver")
        def Lock(self):
            record("ScreenSaver.Lock")

        @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="b", out_signature="b")
        def SetActive(self, on):
            record("ScreenSaver.SetActive", flag(on))
            ScreenSaver.active = bool(on)
            return True

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(args.address)
    keep = []
    if not args.no_login1:
        keep.append(dbus.service.BusName("org.freedesktop.login1", bus, do_not_queue=True))
        keep.append(Manager(bus, "/org/freedesktop/login1"))
        keep.append(Session(bus, SESSION_PATH))
    if args.screensaver:
        keep.append(dbus.service.BusName("org.freedesktop.ScreenSaver", bus, do_not_queue=True))
        keep.append(ScreenSaver(bus, "/org/freedesktop/ScreenSaver"))
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
