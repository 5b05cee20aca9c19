#!/usr/bin/env python3
"""Asks the window manager to close a window as its close box does (_NET_CLOSE_WINDOW): the
window meant, whichever is active. Usage: net_close.py ID"""
import ctypes
import sys

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                           ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):  # XEvent is 24 longs
    _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]


display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no display")
event = Event()
event.message.type = 33  # ClientMessage
event.message.window = int(sys.argv[1], 0)
event.message.message_type = x11.XInternAtom(display, b"_NET_CLOSE_WINDOW", 0)
event.message.format = 32
event.message.data[0] = 0  # time
event.message.data[1] = 2  # from a pager or task bar: the user's own request
substructure = (1 << 19) | (1 << 20)  # SubstructureNotify, SubstructureRedirect
x11.XSendEvent(display, x11.XDefaultRootWindow(display), 0, substructure, ctypes.byref(event))
x11.XFlush(display)
x11.XCloseDisplay(display)
