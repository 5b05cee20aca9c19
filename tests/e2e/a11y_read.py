#!/usr/bin/python3
"""Reads the program's windows as a screen reader does, over the accessibility bus (AT-SPI).

Usage: a11y_read.py COMMAND PID [ARG]
  dump PID          every window's controls: role, name, description and text, tab-separated
  text PID NAME     the text of the field with that accessible name (a date field, the age)
  names PID WINDOW  checks a window (a caption pattern): every control that takes input has a
                    name, and no two controls of the same kind share one
  age PID           checks the moon window: the age field reads as a number, and the picture
                    has a name and a description that gives the same age
Exits 0 when the check passes; otherwise prints what is wrong and exits 1. Waits a few seconds
for the program to show up on the bus.
"""
import re
import sys
import time

import pyatspi

# Roles of the controls that take input (and pictures that take the focus).
INPUT_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT, pyatspi.ROLE_SPIN_BUTTON,
}


def application(pid, seconds=10):
    deadline = time.monotonic() + seconds
    while True:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:  # an application that went away meanwhile
                pass
        if time.monotonic() > deadline:
            sys.exit(f"no application with process {pid} on the accessibility bus")
        time.sleep(0.2)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def windows(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def window(app, pattern, seconds=5):
    deadline = time.monotonic() + seconds
    while True:
        for w in windows(app):
            if w is not None and re.search(pattern, w.name or "") and showing(w):
                return w
        if time.monotonic() > deadline:
            sys.exit(f"no showing window whose name matches {pattern!r}: "
                     f"{[w.name for w in windows(app) if w is not None]}")
        time.sleep(0.2)


def controls(win):
    def takes_input(n):
        return n.getRole() in INPUT_ROLES or (
            n.getRole() == pyatspi.ROLE_IMAGE and n.getState().contains(pyatspi.STATE_FOCUSABLE))
    return [n for n in walk(win) if takes_input(n) and showing(n)]


def dump(app):
    for w in windows(app):
        if w is None:
            continue
        for n in walk(w):
            print("\t".join([w.name or "", n.getRoleName(), n.name or "", n.description or "",
                             text_of(n) or ""]))


def check_names(app, pattern):
    found = controls(window(app, pattern))
    problems = []
    if not found:
        problems.append("no controls at all")
    seen = {}
    for n in found:
        key = (n.getRoleName(), (n.name or "").strip())
        if not key[1]:
            problems.append(f"a {key[0]} without a name")
        elif key in seen:
            problems.append(f"two {key[0]}s named {key[1]!r}")
        seen[key] = n
    for p in problems:
        print(p)
    print(f"{len(found)} controls, {len(seen)} distinct names")
    return not problems


def find_named(app, name):
    for w in windows(app):
        if w is None:
            continue
        for n in walk(w):
            if n.name == name and showing(n) and \
                    n.getRole() in (pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT):
                return n
    return None


def number(text):
    m = re.search(r"-?\d+(\.\d+)?", text or "")
    return float(m.group(0)) if m else None


def check_age(app):
    moon = window(app, r"^Moon")
    fields = [n for n in walk(moon) if n.getRole() in (pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT)]
    pictures = [n for n in walk(moon) if n.getRole() == pyatspi.ROLE_IMAGE]
    ok = True
    if len(fields) != 1 or not fields[0].name:
        print(f"expected one named age field, got {[(f.name, text_of(f)) for f in fields]}")
        return False
    age = number(text_of(fields[0]))
    print(f"age field {fields[0].name!r}: {text_of(fields[0])!r}")
    if age is None:
        print("the age field does not read as a number")
        ok = False
    if len(pictures) != 1 or not pictures[0].name or not pictures[0].description:
        print(f"expected one picture with name and description, got "
              f"{[(p.name, p.description) for p in pictures]}")
        return False
    described = number(pictures[0].description)
    print(f"picture {pictures[0].name!r}: {pictures[0].description!r}")
    # The description may lag the field by up to a minute in real time: a tenth of a day is
    # more than two hours.
    if age is not None and (described is None or abs(described - age) > 0.2):
        print("the picture's description gives another age than the field")
        ok = False
    if pictures[0].name in (fields[0].name, moon.name):
        print("the picture and the age field share a name")
        ok = False
    return ok


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    command, pid = argv[1], int(argv[2])
    app = application(pid)
    if command == "dump":
        dump(app)
        return 0
    if command == "text":
        node = find_named(app, argv[3])
        if node is None:
            sys.exit(f"no control named {argv[3]!r}")
        print(text_of(node) or "")
        return 0
    if command == "names":
        return 0 if check_names(app, argv[3]) else 1
    if command == "age":
        return 0 if check_age(app) else 1
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
