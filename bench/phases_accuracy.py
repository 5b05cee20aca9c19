#!/usr/bin/python3
"""Compares the phases of `selvane-phase --phases` with the reference library's.

Every new moon, first quarter, full moon and last quarter in the years FROM..TO (default
2000..2050) is matched with the nearest reference instant of the same phase; the table gives the
count, the mean and the worst difference in minutes per phase, and overall. The engine's time
base takes JST minus 9 hours as UT. Exits 1 when the worst difference exceeds --max-minutes
(default 2), when the two lists do not pair up one to one, or when the tool fails.
"""
import argparse
import datetime as dt
import subprocess
import sys

import ephem

NEXT = {
    "new": ephem.next_new_moon,
    "first-quarter": ephem.next_first_quarter_moon,
    "full": ephem.next_full_moon,
    "last-quarter": ephem.next_last_quarter_moon,
}
JST = dt.timedelta(hours=9)


def reference(phase, first, last):
    """the reference library's instants (UT) of one phase from a day before the range to a day after."""
    out = []
    t = ephem.Date(dt.datetime(first, 1, 1) - JST - dt.timedelta(days=1))
    end = dt.datetime(last + 1, 1, 1) - JST + dt.timedelta(days=1)
    while True:
        t = NEXT[phase](t)
        d = t.datetime()
        if d > end:
            return out
        out.append(d)
        t = ephem.Date(t + 1)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", default="build/app/selvane-phase")
    ap.add_argument("--from", dest="first", type=int, default=2000)
    ap.add_argument("--to", dest="last", type=int, default=2050)
    ap.add_argument("--max-minutes", type=float, default=2.0)
    a = ap.parse_args()

    run = subprocess.run([a.tool, "--phases", str(a.first), str(a.last)],
                         capture_output=True, text=True, check=False)
    if run.returncode != 0:
        print("selvane-phase failed:", run.stderr.strip(), file=sys.stderr)
        return 1
    ours = {p: [] for p in NEXT}
    for line in run.stdout.splitlines():
        when, phase = line.split("\t")
        ours[phase].append(dt.datetime.strptime(when, "%Y-%m-%d %H:%M:%S") - JST)

    rows, every, faults = [], [], []
    for phase in NEXT:
        ref = reference(phase, a.first, a.last)
        diffs = []
        for t in ours[phase]:
            nearest = min(ref, key=lambda r, t=t: abs(r - t))
            diffs.append((t - nearest).total_seconds() / 60)
        # Every reference instant inside the range must have one of ours.
        start = dt.datetime(a.first, 1, 1) - JST
        stop = dt.datetime(a.last + 1, 1, 1) - JST
        inside = [r for r in ref if start + dt.timedelta(minutes=a.max_minutes) <= r
                  and r < stop - dt.timedelta(minutes=a.max_minutes)]
        if len(inside) > len(ours[phase]) or len(ours[phase]) > len(inside) + 2:
            faults.append(f"{phase}: {len(ours[phase])} listed, {len(inside)} in the reference")
        every += diffs
        rows.append((phase, diffs))
    rows.append(("all", every))

    print(f"Phases {a.first}-{a.last}: selvane-phase against the ephem module {ephem.__version__}"
          " (minutes, ours minus the reference)")
    print()
    print("| phase | count | mean | mean abs | worst |")
    print("|---|---:|---:|---:|---:|")
    for name, d in rows:
        worst = max(d, key=abs)
        print(f"| {name} | {len(d)} | {sum(d) / len(d):+.2f} | "
              f"{sum(abs(x) for x in d) / len(d):.2f} | {worst:+.2f} |")
    worst = max(abs(x) for x in every)
    if worst > a.max_minutes:
        faults.append(f"worst difference {worst:.2f} min exceeds {a.max_minutes} min")
    for f in faults:
        print("FAULT:", f, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
