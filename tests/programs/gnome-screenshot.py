#!/usr/bin/python3
"""Saves what GNOME Shell shows as a PNG file, through org.gnome.Shell.Screenshot.
GNOME Shell takes the call only from GNOME's own screenshot tool, so this owns
its bus name (org.gnome.Screenshot) first.
Usage: gnome-screenshot.py BUS-ADDRESS FILE"""
import sys

import dbus
import dbus.bus


def main():
    address, path = sys.argv[1:3]
    bus = dbus.bus.BusConnection(address)
    if bus.request_name("org.gnome.Screenshot", dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit("org.gnome.Screenshot is taken")
    shell = bus.get_object("org.gnome.Shell", "/org/gnome/Shell/Screenshot")
    ok, used = shell.Screenshot(False, False, path, dbus_interface="org.gnome.Shell.Screenshot")
    if not ok:
        sys.exit("GNOME Shell took no screenshot")


if __name__ == "__main__":
    main()
