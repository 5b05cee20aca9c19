#!/usr/bin/env bash
# CPU time per run of selvane-phase against the floor, a C++ program that only writes a line
# (bench/phase_cli_floor.cpp, built with the same flags), measured side by side: the two run
# alternately RUNS times each, every run's processor time (user + system, from wait4) is
# recorded, and the medians are compared. One line per question asked:
#   selvane-phase 2025 2 10 12 0 0: Selvane 1.10 ms, floor 0.95 ms, ratio 1.16
# Usage: bench/phase_cli_cost.sh [BUILD_DIR] [RUNS]   (defaults: build, 300)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-300}
for f in "$BUILD/app/selvane-phase" "$BUILD/bench/phase_cli_floor"; do
  [ -x "$f" ] || { echo "phase_cli_cost: $f is not built" >&2; exit 2; }
done
exec /usr/bin/python3 - "$BUILD" "$RUNS" <<'PY'
import os
import statistics
import sys

build, runs = sys.argv[1], int(sys.argv[2])
tool = os.path.join(build, "app", "selvane-phase")
floor = os.path.join(build, "bench", "phase_cli_floor")
questions = [[], ["2025", "2", "10", "12", "0", "0"], ["--format", "json"]]
null = os.open(os.devnull, os.O_WRONLY)


def cpu_ms(argv):
    pid = os.posix_spawn(argv[0], argv, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, null, 1)])
    _, status, usage = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"phase_cli_cost: {' '.join(argv)} failed")
    return (usage.ru_utime + usage.ru_stime) * 1000


for args in questions:
    times = {tool: [], floor: []}
    for i in range(runs + 5):
        for program in (tool, floor) if i % 2 else (floor, tool):
            ms = cpu_ms([program] + (args if program == tool else []))
            if i >= 5:  # the first runs warm the caches
                times[program].append(ms)
    ours, least = statistics.median(times[tool]), statistics.median(times[floor])
    name = " ".join(["selvane-phase"] + args) if args else "selvane-phase (now)"
    print(f"{name}: Selvane {ours:.2f} ms, floor {least:.2f} ms, ratio {ours / least:.2f}")
PY
