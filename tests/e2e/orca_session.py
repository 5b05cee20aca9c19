#!/usr/bin/python3
"""Runs the system's Orca screen reader for one end-to-end session.

Usage: orca_session.py LOGFILE

Orca is started from its installed package as its own launcher starts it, with two differences
that a test needs: its debug log is written line by line (the launcher opens it with a large
buffer, so what Orca said would show up seconds late), and it does not refuse to start because
another Orca of the same user runs (each test has its own display and buses).
"""
import sys


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    from orca import debug
    debug.debugLevel = debug.LEVEL_INFO
    debug.eventDebugLevel = debug.LEVEL_OFF
    debug.debugFile = open(argv[1], "w", buffering=1, encoding="utf-8")
    from orca import orca
    if hasattr(orca, "getSettingsManager"):
        manager = orca.getSettingsManager()
        manager.activate(None, {})
        sys.path.insert(0, manager.getPrefsDir())
    else:
        # Later releases keep the settings manager in a module of its own.
        from orca import settings_manager
        manager = settings_manager.get_manager()
        manager.activate(None, {})
        sys.path.insert(0, manager.get_prefs_dir())
    return orca.main()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
