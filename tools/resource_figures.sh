#!/usr/bin/env bash
# What the desktop program costs, as ratios to a floor: bench/floor_program.cpp, the least a
# Qt Widgets program does for the same job on the screen (two small windows, a 20-character
# number text changing once a second on a 100 ms timer, a 255 x 258 picture repainted once a
# minute), built by the same compiler with the same flags. Both run at the same time, each on
# its own Xvfb with openbox (Selvane with the trayer tray as well), in interleaved rounds that
# alternate which one starts first; a busy machine slows both alike, so the ratio holds where
# an absolute figure would not. Printed per row: the medians of both and the median of the
# rounds' ratios (its range in brackets), against the goal.
#   real-time CPU       processor time of all threads from t = 5 s to 5 + WINDOW s after exec;
#                       also of the floor doing the whole job (--whole-job: the age text, the
#                       caption's seconds, the minute's 24 frames) in a third lane, as two more
#                       rows: that floor against the plain one, and Selvane against it (a
#                       window of 60 s holds the minute's frames once in every lane; a shorter
#                       one may miss them)
#   private dirty       smaps_rollup Private_Dirty at the end of that window: heap, stacks and
#                       every written page of the libraries, what cannot be paged back to a file
#   heap (massif)       valgrind's massif, useful heap bytes at a snapshot taken HEAP_WAIT s after
#                       both windows were viewable (a separate pass: valgrind is slow)
#   exec -> viewable    from just before exec until both windows are viewable (bench/launch_watch)
#   CPU by then         processor time the program had used at that moment
#   selvane-phase       bench/phase_cli_cost.sh when it is there (its own floor: a C++ program
#                       that only prints a line)
#
# Usage: tools/resource_figures.sh [--quick] [--rounds N] [--window SECONDS]
#                                   [--heap-rounds N] [--heap-wait SECONDS] [BUILD_DIR]
# Defaults: 3 rounds, a 60 s window, 2 heap rounds after 20 s (about 6 minutes); --quick is 3
# rounds, a 20 s window and 1 heap round (about 2.5 minutes). With XFT_DPI set (e.g. 192) both
# X servers get that Xft.dpi, as on a high-density screen.
set -u
cd "$(dirname "$0")/.." || exit 1
ROUNDS=3 WINDOW=60 HEAP_ROUNDS=2 HEAP_WAIT=20 BUILD=build
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) ROUNDS=3 WINDOW=20 HEAP_ROUNDS=1 ;;
    --rounds) ROUNDS=$2; shift ;;
    --window) WINDOW=$2; shift ;;
    --heap-rounds) HEAP_ROUNDS=$2; shift ;;
    --heap-wait) HEAP_WAIT=$2; shift ;;
    -*) sed -n '2,/^set -u/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
    *) BUILD=$1 ;;
  esac
  shift
done
SELVANE=$BUILD/app/selvane
FLOOR=$BUILD/bench/selvane_floor
WATCH=$BUILD/bench/launch_watch
for f in "$SELVANE" "$FLOOR" "$WATCH"; do
  [ -x "$f" ] || { echo "resource_figures: $f is missing (build it first)" >&2; exit 1; }
done
source tests/e2e/desktop.sh
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

now_ns() { date +%s%N; }
sleep_until() {  # sleep_until EPOCH_NS
  local left=$(($1 - $(now_ns)))
  [ "$left" -gt 0 ] && sleep "$(awk -v n="$left" 'BEGIN{printf "%.3f", n/1e9}')"
  return 0
}
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END{printf "%.0f", s}'; }
private_dirty_kb() { awk '/^Private_Dirty:/{print $2}' /proc/"$1"/smaps_rollup; }
end_program() {
  kill -TERM "$1" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.05; done
  kill -9 "$1" 2>/dev/null
}

# One program's part of a round, on a desktop of its own: launched at LAUNCH_AT (epoch ns),
# it writes "exec_ms cpu_by_then_ms cpu_window_ms private_dirty_kb" to RESULT.
lane() {  # lane LAUNCH_AT RESULT TRAY NAME1 NAME2 PROGRAM [ARGS...]
  local launch_at=$1 result=$2
  E2E_TRAY=$3
  desktop_up
  [ -n "${XFT_DPI:-}" ] && echo "Xft.dpi: $XFT_DPI" | xrdb -merge
  sleep_until "$launch_at"
  local t0 line pid ms cpu c0 c1
  t0=$(now_ns)
  line=$("$WATCH" --timeout 60 "$4" "$5" -- "${@:6}" 2>>"$E2E_DIR/watch.log") || {
    echo "failed" >"$result"
    return
  }
  read -r pid ms cpu <<<"$line"
  APP_PID=$pid
  sleep_until $((t0 + 5000000000))
  c0=$(cpu_ns "$pid")
  sleep_until $((t0 + (5 + WINDOW) * 1000000000))
  c1=$(cpu_ns "$pid")
  echo "$ms $cpu $(((c1 - c0) / 1000000)) $(private_dirty_kb "$pid")" >"$result"
  end_program "$pid"
}

# The heap under massif, snapshot taken through valgrind's gdbserver.
heap_lane() {  # heap_lane RESULT TRAY NAME1 NAME2 PROGRAM
  local result=$1
  E2E_TRAY=$2
  desktop_up
  [ -n "${XFT_DPI:-}" ] && echo "Xft.dpi: $XFT_DPI" | xrdb -merge
  local line pid
  line=$("$WATCH" --timeout 300 "$3" "$4" -- valgrind --tool=massif --vgdb=yes \
    --vgdb-prefix="$E2E_DIR/vgdb" --massif-out-file="$E2E_DIR/massif.out" "$5" \
    2>>"$E2E_DIR/watch.log") || {
    echo "failed" >"$result"
    return
  }
  read -r pid _ <<<"$line"
  APP_PID=$pid
  sleep "$HEAP_WAIT"
  vgdb --vgdb-prefix="$E2E_DIR/vgdb" --pid="$pid" snapshot "$E2E_DIR/snapshot.out" >/dev/null 2>&1
  awk -F= '/^mem_heap_B=/{b = $2} END{print b + 0}' "$E2E_DIR/snapshot.out" >"$result" 2>/dev/null
  end_program "$pid"
}

S_NAMES=("Selvane - Now -" "Moon  *")
F_NAMES=("floor clock" "floor picture")
J_NAMES=("floor clock" "floor picture*")  # the whole job's caption changes every second
for r in $(seq "$ROUNDS"); do
  start=$(($(now_ns) + 5000000000))  # the three desktops are up by then
  # Who starts first goes round: Selvane, the floor, the whole job's floor.
  at=("$start" $((start + 2000000000)) $((start + 4000000000)))
  s_at=${at[$(((r - 1) % 3))]} f_at=${at[$((r % 3))]} j_at=${at[$(((r + 1) % 3))]}
  (lane "$s_at" "$OUT/s.$r" trayer "${S_NAMES[@]}" "$SELVANE") &
  (lane "$f_at" "$OUT/f.$r" none "${F_NAMES[@]}" "$FLOOR") &
  (lane "$j_at" "$OUT/j.$r" none "${J_NAMES[@]}" "$FLOOR" --whole-job) &
  wait
  echo "round $r of $ROUNDS: Selvane $(cat "$OUT/s.$r"), floor $(cat "$OUT/f.$r"), whole job $(cat "$OUT/j.$r")" >&2
done
if command -v valgrind >/dev/null && command -v vgdb >/dev/null; then
  for r in $(seq "$HEAP_ROUNDS"); do
    (heap_lane "$OUT/hs.$r" trayer "${S_NAMES[@]}" "$SELVANE") &
    (heap_lane "$OUT/hf.$r" none "${F_NAMES[@]}" "$FLOOR") &
    wait
    echo "heap round $r of $HEAP_ROUNDS: Selvane $(cat "$OUT/hs.$r") B, floor $(cat "$OUT/hf.$r") B" >&2
  done
else
  echo "resource_figures: valgrind is not installed: no heap row" >&2
  HEAP_ROUNDS=0
fi

# One row: the medians of column COL of both sides' result files and of the rounds' ratios.
row() {  # row LABEL PREFIX_S PREFIX_F COL SCALE UNIT FORMAT GOAL
  local label=$1 ps=$2 pf=$3 col=$4 scale=$5 unit=$6 fmt=$7 goal=$8
  local pairs=""
  for s in "$OUT"/"$ps".*; do
    [ -e "$s" ] || continue
    local f=$OUT/$pf.${s##*.}
    [ -e "$f" ] || continue
    pairs+="$(awk -v c="$col" '{print $c}' "$s") $(awk -v c="$col" '{print $c}' "$f")"$'\n'
  done
  printf '%s' "$pairs" | awk -v label="$label" -v scale="$scale" -v unit="$unit" -v fmt="$fmt" \
    -v goal="$goal" '
    function median(a, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    $1 ~ /^[0-9.]+$/ && $2 ~ /^[0-9.]+$/ && $2 > 0 {
      n++; s[n] = $1 * scale; f[n] = $2 * scale; q[n] = $1 / $2
      if (n == 1 || q[n] < lo) lo = q[n]; if (n == 1 || q[n] > hi) hi = q[n]
    }
    END {
      if (n == 0) { printf "| %s | not measured | | | %s |\n", label, goal; exit }
      printf "| %s | " fmt " %s | " fmt " %s | %.2f (%.2f-%.2f) | %s |\n", label, median(s, n), unit,
        median(f, n), unit, median(q, n), lo, hi, goal
    }'
}

echo "Selvane against the floor, $ROUNDS interleaved rounds (heap: $HEAP_ROUNDS), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| measure (median) | Selvane | floor | ratio (range) | goal |"
echo "|---|---|---|---|---|"
per_cent=$(awk -v w="$WINDOW" 'BEGIN{print 100/(w*1000)}')
row "real-time CPU, t = 5 ... $((5 + WINDOW)) s" s f 3 "$per_cent" "%" "%.3f" "<= 1.2"
# The same window for the floor doing the whole job (in the Selvane column), against the floor
# and with Selvane against it: what the job asks for, and what is left to the program.
row "real-time CPU: whole-job floor / floor" j f 3 "$per_cent" "%" "%.3f" "-"
row "real-time CPU: Selvane / whole-job floor" s j 3 "$per_cent" "%" "%.3f" "-"
row "private dirty memory (smaps_rollup)" s f 4 "$(awk 'BEGIN{print 1/1024}')" "MiB" "%.1f" "<= 1.5"
row "heap (massif, steady state)" hs hf 1 "$(awk 'BEGIN{print 1/1048576}')" "MiB" "%.2f" "<= 1.5"
row "exec -> both windows viewable" s f 1 1 "ms" "%.0f" "<= 1.25"
row "CPU used by then" s f 2 1 "ms" "%.0f" "<= 1.25"
if [ -x bench/phase_cli_cost.sh ] && [ -x "$BUILD/bench/phase_cli_floor" ]; then
  # "selvane-phase ARGS: Selvane 1.10 ms, floor 0.95 ms, ratio 1.16" as a row of the table.
  bench/phase_cli_cost.sh "$BUILD" |
    sed -E 's/^(.*): Selvane (.*), floor (.*), ratio (.*)$/| \1, CPU per run | \2 | \3 | \4 | <= 1.5 |/'
else
  echo "| selvane-phase, CPU per run | not measured | | | <= 1.5 |"
fi
