#!/usr/bin/python3
"""selvane-phase --phases in its three forms read back with real parsers.

The JSON array through the json module, the iCalendar file through python3-icalendar (and its
raw lines: CRLF, at most 75 octets), each against the tab-separated listing of the same years;
two runs give the same UIDs.
Usage: phase_formats_check.py TOOL FROM TO
"""
import datetime as dt
import json
import subprocess
import sys

import icalendar

SUMMARY = {"new": "新月", "first-quarter": "上弦", "full": "満月", "last-quarter": "下弦"}


def run(tool, *args):
    r = subprocess.run([tool, "--phases", *args], capture_output=True, check=True)
    assert r.stderr == b"", r.stderr
    return r.stdout


def main(tool, first, last):
    tsv = [line.split("\t") for line in run(tool, first, last).decode().splitlines()]
    assert len(tsv) > 48 * (int(last) - int(first) + 1), len(tsv)
    jst = dt.timezone(dt.timedelta(hours=9))
    want = [(dt.datetime.strptime(t, "%Y-%m-%d %H:%M:%S").replace(tzinfo=jst), p) for t, p in tsv]

    got = json.loads(run(tool, first, last, "--format", "json"))
    assert [(dt.datetime.fromisoformat(o["time"]), o["phase"]) for o in got] == want
    assert all(set(o) == {"time", "phase"} for o in got)

    raw = run(tool, first, last, "--format", "ics")
    assert raw.endswith(b"\r\n")
    for line in raw[:-2].split(b"\r\n"):
        assert b"\n" not in line and b"\r" not in line, line
        assert len(line) <= 75, line
    cal = icalendar.Calendar.from_ical(raw)
    assert str(cal["VERSION"]) == "2.0" and str(cal["PRODID"])
    events = cal.walk("VEVENT")
    assert len(events) == len(want), (len(events), len(want))
    uids = []
    for ev, (when, phase) in zip(events, want):
        start = ev.decoded("DTSTART")
        assert start.utcoffset() == dt.timedelta(0), start
        assert start == when, (start, when)
        assert str(ev["SUMMARY"]) == SUMMARY[phase], ev["SUMMARY"]
        assert isinstance(ev.decoded("DTSTAMP"), dt.datetime)
        uids.append(str(ev["UID"]))
    assert len(set(uids)) == len(uids)
    again = icalendar.Calendar.from_ical(run(tool, first, last, "--format", "ics"))
    assert [str(ev["UID"]) for ev in again.walk("VEVENT")] == uids
    print(f"{len(want)} phases: JSON and iCalendar agree with the listing")


if __name__ == "__main__":
    main(*sys.argv[1:])
