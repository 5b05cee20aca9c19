#!/usr/bin/python3
"""selvane-phase --phases YEAR --format ics imported into a real calendar program, khal.

In each of three time zones the file is imported twice; khal then lists every phase once, on
its local day, at its instant (an event that lasts no time), and holds one event per phase.
Usage: phase_calendar_check.py TOOL YEAR
"""
import datetime as dt
import os
import subprocess
import sys
import tempfile
import zoneinfo

ZONES = ["Asia/Tokyo", "Europe/Berlin", "America/Los_Angeles"]
SUMMARY = {"new": "新月", "first-quarter": "上弦", "full": "満月", "last-quarter": "下弦"}
CONFIG = """[calendars]
[[moon]]
path = {cal}
type = calendar
[locale]
local_timezone = {zone}
default_timezone = {zone}
timeformat = %H:%M:%S
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M:%S
longdatetimeformat = %Y-%m-%d %H:%M:%S
"""


def main(tool, year):
    listing = subprocess.run([tool, "--phases", year], capture_output=True, text=True, check=True)
    jst = dt.timezone(dt.timedelta(hours=9))
    phases = [(dt.datetime.strptime(t, "%Y-%m-%d %H:%M:%S").replace(tzinfo=jst), p)
              for t, p in (line.split("\t") for line in listing.stdout.splitlines())]
    with tempfile.TemporaryDirectory() as tmp:
        ics = os.path.join(tmp, "moon.ics")
        with open(ics, "wb") as f:
            subprocess.run([tool, "--phases", year, "--format", "ics"], stdout=f, check=True)
        for zone in ZONES:
            home = os.path.join(tmp, zone.replace("/", "-"))
            cal = os.path.join(home, "cal")
            os.makedirs(cal)
            config = os.path.join(home, "config")
            with open(config, "w") as f:
                f.write(CONFIG.format(cal=cal, zone=zone))
            env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "TZ": zone,
                   "LANG": "C.UTF-8", "XDG_CONFIG_HOME": os.path.join(home, "config.d"),
                   "XDG_DATA_HOME": os.path.join(home, "data"),
                   "XDG_CACHE_HOME": os.path.join(home, "cache")}

            def khal(*args):
                return subprocess.run(["khal", "-c", config, *args], env=env, check=True,
                                      capture_output=True, text=True).stdout

            khal("import", "--batch", "-a", "moon", ics)
            khal("import", "--batch", "-a", "moon", ics)
            # One event file per phase. khal 0.11.4 leaves the temporary copies of files it
            # rewrote beside them, named *.icsXXXXXXXX; it never reads those as events.
            events = [n for n in os.listdir(cal) if n.endswith(".ics")]
            assert len(events) == len(phases), (zone, len(events))
            local = [(t.astimezone(zoneinfo.ZoneInfo(zone)), p) for t, p in phases]
            first = local[0][0].date() - dt.timedelta(days=1)
            last = local[-1][0].date() + dt.timedelta(days=2)
            shown = khal("list", "--format", "{start-date} {start-time} {end-time} {title}",
                         "--day-format", "={date}", first.isoformat(), last.isoformat())
            got, day = [], None
            for line in shown.splitlines():
                if line.startswith("="):
                    day = line[1:]
                else:
                    got.append(f"{day} | {line}")
            want = [f"{t:%Y-%m-%d} | {t:%Y-%m-%d %H:%M:%S %H:%M:%S} {SUMMARY[p]}"
                    for t, p in local]
            assert got == want, (zone, [g for g in got if g not in want][:4],
                                 [w for w in want if w not in got][:4])
    print(f"{len(phases)} phases listed once each by khal in {', '.join(ZONES)}")


if __name__ == "__main__":
    main(*sys.argv[1:])
