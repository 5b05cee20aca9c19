#!/usr/bin/python3
"""selvane-phase --phases in its three forms read back with real parsers, and --next and the
JSON object of an instant against them.

The JSON array through the json module, the iCalendar file through python3-icalendar (and its
raw lines: CRLF, at most 75 octets), each against the tab-separated listing of the same years;
two runs give the same UIDs, made of the lunation's number and the phase. --next after an
instant is the listing's lines after it; the instant's object is valid JSON whose next is
--next 4 and whose phase is the day's name by the listing.
Usage: phase_formats_check.py TOOL FROM TO
"""
import datetime as dt
import json
import re
import subprocess
import sys

import icalendar

SUMMARY = {"new": "新月", "first-quarter": "上弦", "full": "満月", "last-quarter": "下弦"}


def run(tool, *args, mode="--phases"):
    r = subprocess.run([tool, mode, *args], capture_output=True, check=True)
    assert r.stderr == b"", r.stderr
    return r.stdout


BETWEEN = {"new": "waning-crescent", "first-quarter": "waxing-crescent",
           "full": "waxing-gibbous", "last-quarter": "waning-gibbous"}


def check_instants(tool, want):
    """--next and the JSON object at noon of every fifth day of the range's first year."""
    day = want[0][0].replace(month=1, day=1, hour=12, minute=0, second=0)
    for _ in range(73):
        texts = [str(v) for v in (day.year, day.month, day.day, day.hour, 0, 0)]
        after = [(t, p) for t, p in want if t > day]
        lines = run(tool, "6", *texts, mode="--next").decode().splitlines()
        assert lines == [f"{t:%Y-%m-%d %H:%M:%S}\t{p}" for t, p in after[:6]], (day, lines)
        obj = json.loads(run(tool, "json", *texts, mode="--format"))
        assert list(obj) == ["time", "age", "illuminated", "elongation", "phase",
                             "lunation_start", "next"], obj
        assert dt.datetime.fromisoformat(obj["time"]) == day, obj["time"]
        assert obj["next"] == json.loads(run(tool, "4", *texts, "--format", "json",
                                             mode="--next")), obj
        assert 0 <= obj["illuminated"] <= 1 and 0 <= obj["elongation"] <= 360, obj
        today = [p for t, p in want if t.date() == day.date()]
        assert obj["phase"] == (today[0] if today else BETWEEN[after[0][1]]), (day, obj)
        day += dt.timedelta(days=5)


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
    lunation = None
    for ev, (when, phase) in zip(events, want):
        start = ev.decoded("DTSTART")
        assert start.utcoffset() == dt.timedelta(0), start
        assert start == when, (start, when)
        assert ev.decoded("DURATION") == dt.timedelta(0), ev["DURATION"]
        uid = re.fullmatch(r"lunation(-?\d+)-([a-z-]+)@phases\.selvane\.org", str(ev["UID"]))
        assert uid and uid[2] == phase, ev["UID"]
        # One lunation from a new moon to the next.
        if lunation is not None:
            assert int(uid[1]) == lunation + (phase == "new"), (ev["UID"], lunation)
        lunation = int(uid[1])
        assert str(ev["SUMMARY"]) == SUMMARY[phase], ev["SUMMARY"]
        assert isinstance(ev.decoded("DTSTAMP"), dt.datetime)
        uids.append(str(ev["UID"]))
    assert len(set(uids)) == len(uids)
    again = icalendar.Calendar.from_ical(run(tool, first, last, "--format", "ics"))
    assert [str(ev["UID"]) for ev in again.walk("VEVENT")] == uids
    check_instants(tool, want)
    print(f"{len(want)} phases: JSON, iCalendar and --next agree with the listing")


if __name__ == "__main__":
    main(*sys.argv[1:])
