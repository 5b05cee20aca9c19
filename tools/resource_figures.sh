#!/usr/bin/env bash
# Prints what the desktop program costs, measured under Xvfb with openbox and trayer:
#   - the time from launch to the moon window being mapped (goal: under 300 ms);
#   - the resident memory after start (goal: under 50 MB);
#   - the CPU it uses following the clock in real-time mode over SECONDS s (goal: under 0.5 %
#     of one core);
# and the whole run time of selvane-phase for one instant.
# Usage: tools/resource_figures.sh [BUILD_DIR] [SECONDS]   (defaults: build, 60)
# With XFT_DPI set (e.g. XFT_DPI=192 for a device pixel ratio of 2), the X server's Xft.dpi
# is set to it before the program starts, as on a high-density screen.
set -u
cd "$(dirname "$0")/.."
BUILD=${1:-build}
SECONDS_RUN=${2:-60}
source tests/e2e/desktop.sh
desktop_up
if [ -n "${XFT_DPI:-}" ]; then
  echo "Xft.dpi: $XFT_DPI" | xrdb -merge
  echo "Xft.dpi: $XFT_DPI"
fi

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Launch to mapped: poll the X server for the moon window every 5 ms.
launch=$(date +%s%N)
"$BUILD/app/selvane" >"$E2E_DIR/app.log" 2>&1 &
APP_PID=$!
until xwininfo -root -tree 2>/dev/null | grep -q '"Moon  '; do sleep 0.005; done
mapped=$(date +%s%N)
echo "launch to moon window mapped: $(((mapped - launch) / 1000000)) ms"

sleep 2
rss=$(awk '/VmRSS/{print $2}' "/proc/$APP_PID/status")
echo "resident memory after start: $((rss / 1024)) MB ($rss kB)"

c0=$(cpu_ticks "$APP_PID")
t0=$(date +%s%N)
sleep "$SECONDS_RUN"
c1=$(cpu_ticks "$APP_PID")
t1=$(date +%s%N)
awk -v c=$((c1 - c0)) -v hz="$ticks" -v ns=$((t1 - t0)) \
  'BEGIN{printf "CPU in real-time mode over %.0f s: %.2f %% of one core\n", ns/1e9, 100*c/hz/(ns/1e9)}'

runs=20
p0=$(date +%s%N)
for _ in $(seq $runs); do "$BUILD/app/selvane-phase" 2025 2 10 12 0 0 >/dev/null; done
p1=$(date +%s%N)
awk -v ns=$((p1 - p0)) -v n=$runs \
  'BEGIN{printf "selvane-phase for one instant: %.1f ms per run (mean of %d runs)\n", ns/n/1e6, n}'
