#!/usr/bin/python3
"""Stands in for systemd-logind (org.freedesktop.login1) and, with --screensaver,
for the freedesktop screen saver (org.freedesktop.ScreenSaver) on a private bus;
with --session-manager for GNOME's or KDE's session manager, with --udisks for
UDisks2 with an optical drive. Answers what ToviWall asks and writes each call
to the record file, one line each ("LockSession 7", "PowerOff true",
"SessionManager.Reboot", "Unmount sr0"). Nothing is ever locked, switched off,
logged out or ejected."""
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
    parser.add_argument("--session-manager", choices=["gnome", "kde"],
                        help="also be org.gnome.SessionManager or org.kde.LogoutPrompt")
    parser.add_argument("--udisks", metavar="DRIVE", help="also be org.freedesktop.UDisks2 with this optical drive")
    parser.add_argument("--refuse", action="append", default=[], metavar="METHOD=ERROR",
                        help="answer METHOD with the D-Bus error ERROR, as logind does when polkit says no")
    args = parser.parse_args()
    refusals = dict(r.split("=", 1) for r in args.refuse)
    messages = {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired": "Interactive authentication required.",
                "org.freedesktop.DBus.Error.AccessDenied": "Access denied",
                "org.gnome.SessionManager.NotInRunning": "Logout interface is only available during the Running phase",
                "org.freedesktop.UDisks2.Error.DeviceBusy": "Error unmounting /dev/sr0: target is busy"}

    def record(*words):
        with open(args.record, "a") as f:
            f.write(" ".join(str(w) for w in words) + "\n")

    def flag(value):
        return "true" if value else "false"

    def answer(method, *words):
        record(method, *words)
        if method in refusals:
            error = refusals[method]
            raise dbus.exceptions.DBusException(messages.get(error, error), name=error)

    def power(method, interactive):
        answer(method, flag(interactive))

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

    class GnomeSessionManager(dbus.service.Object):
        @dbus.service.method("org.gnome.SessionManager", in_signature="u")
        def Logout(self, mode):
            answer("SessionManager.Logout", mode)

        @dbus.service.method("org.gnome.SessionManager")
        def Reboot(self):
            answer("SessionManager.Reboot")

        @dbus.service.method("org.gnome.SessionManager")
        def Shutdown(self):
            answer("SessionManager.Shutdown")

    class LogoutPrompt(dbus.service.Object):
        @dbus.service.method("org.kde.LogoutPrompt")
        def promptLogout(self):
            answer("LogoutPrompt.promptLogout")

        @dbus.service.method("org.kde.LogoutPrompt")
        def promptReboot(self):
            answer("LogoutPrompt.promptReboot")

        @dbus.service.method("org.kde.LogoutPrompt")
        def promptShutDown(self):
            answer("LogoutPrompt.promptShutDown")

    udisks = "/org/freedesktop/UDisks2"
    drive_path = udisks + "/drives/TEST_DVD_" + str(args.udisks)

    class UDisksManager(dbus.service.Object):
        @dbus.service.method("org.freedesktop.UDisks2.Manager", in_signature="a{sv}", out_signature="ao")
        def GetBlockDevices(self, options):
            return [dbus.ObjectPath(udisks + "/block_devices/sda"),
                    dbus.ObjectPath(udisks + "/block_devices/" + args.udisks)]

    class UDisksBlock(dbus.service.Object):
        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
        def Get(self, interface, name):
            if interface == "org.freedesktop.UDisks2.Block" and name == "Drive":
                return dbus.ObjectPath(drive_path, variant_level=1)
            raise dbus.exceptions.DBusException("No property " + name,
                                                name="org.freedesktop.DBus.Error.UnknownProperty")

        @dbus.service.method("org.freedesktop.UDisks2.Filesystem", in_signature="a{sv}")
        def Unmount(self, options):
            answer("Unmount", args.udisks)

    class UDisksDrive(dbus.service.Object):
        @dbus.service.method("org.freedesktop.UDisks2.Drive", in_signature="a{sv}")
        def Eject(self, options):
            answer("Eject", drive_path.rsplit("/", 1)[1])

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
    if args.session_manager == "gnome":
        keep.append(dbus.service.BusName("org.gnome.SessionManager", bus, do_not_queue=True))
        keep.append(GnomeSessionManager(bus, "/org/gnome/SessionManager"))
    if args.session_manager == "kde":
        keep.append(dbus.service.BusName("org.kde.LogoutPrompt", bus, do_not_queue=True))
        keep.append(LogoutPrompt(bus, "/LogoutPrompt"))
    if args.udisks:
        keep.append(dbus.service.BusName("org.freedesktop.UDisks2", bus, do_not_queue=True))
        keep.append(UDisksManager(bus, udisks + "/Manager"))
        keep.append(UDisksBlock(bus, udisks + "/block_devices/" + args.udisks))
        keep.append(UDisksDrive(bus, drive_path))
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
