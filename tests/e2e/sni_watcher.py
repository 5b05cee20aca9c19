#!/usr/bin/python3
"""A StatusNotifierWatcher with a host, on the session bus: what a panel of a desktop offers for
StatusNotifierItems, without the panel. The tests read the registered items and drive their
exported menus over D-Bus; no icon is drawn. Runs until it is ended.
"""
from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>"""
NAME = "org.kde.StatusNotifierWatcher"
PATH = "/StatusNotifierWatcher"
items = {}  # "bus name/object path" -> the bus name whose end unregisters it


def emit(bus, signal, item):
    bus.emit_signal(None, PATH, NAME, signal, GLib.Variant("(s)", (item,)))


def on_call(bus, sender, path, interface, method, args, invocation):
    if method == "RegisterStatusNotifierItem":
        (arg,) = args.unpack()
        # An item names its bus name (object path /StatusNotifierItem) or its object path.
        item = sender + arg if arg.startswith("/") else arg + "/StatusNotifierItem"
        owner = sender if arg.startswith("/") else arg
        if item not in items:
            items[item] = owner
            emit(bus, "StatusNotifierItemRegistered", item)
    invocation.return_value(None)


def on_get(bus, sender, path, interface, prop):
    if prop == "RegisteredStatusNotifierItems":
        return GLib.Variant("as", sorted(items))
    if prop == "IsStatusNotifierHostRegistered":
        return GLib.Variant("b", True)
    return GLib.Variant("i", 0)


def on_owner_changed(bus, sender, path, interface, signal, args):
    name, _, new_owner = args.unpack()
    if new_owner:
        return
    for item in [i for i, owner in items.items() if owner == name]:
        del items[item]
        emit(bus, "StatusNotifierItemUnregistered", item)


def on_bus(bus, _name):
    info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    bus.register_object(PATH, info, on_call, on_get, None)
    bus.signal_subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                         "/org/freedesktop/DBus", None, Gio.DBusSignalFlags.NONE, on_owner_changed)


Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.NONE, on_bus, None, None)
GLib.MainLoop().run()
