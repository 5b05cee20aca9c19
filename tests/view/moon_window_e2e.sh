#!/usr/bin/env bash
# The moon window on a real X server (Xvfb) with a window manager (openbox): no task-bar
# entry, the circular shape with what lies behind showing around it and the picture kept in
# place, the decorated rectangle given back at the same place, the always-on-top state as the
# window manager sees it, a drag by the picture, a click that plays the phase cycle, and the
# maximized view. Screenshots are kept in $SELVANE_E2E_ARTIFACTS (default ./moon-window-e2e).
#
#   moon_window_e2e.sh PATH/TO/moon_window_demo
set -euo pipefail

DEMO=$1
ART=${SELVANE_E2E_ARTIFACTS:-$PWD/moon-window-e2e}
mkdir -p "$ART"

# The shared headless desktop, without a tray; -retro gives the root window its woven
# pattern, so that what lies behind a cut window is visible.
source "$(dirname "$0")/../e2e/desktop.sh"
E2E_XVFB_ARGS=-retro E2E_NO_TRAY=1 desktop_up
DEMO_PID=""
cleanup() {
  APP_PID=$DEMO_PID
  desktop_down
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- demo output" >&2
  cat "$E2E_DIR/out.txt" >&2 || true
  cat "$E2E_DIR/err.txt" >&2 || true
  exit 1
}

mkfifo "$E2E_DIR/in"
exec 3<>"$E2E_DIR/in"
"$DEMO" <&3 >"$E2E_DIR/out.txt" 2>"$E2E_DIR/err.txt" &
DEMO_PID=$!

# Waits until a line matching the pattern appears in the demo's output (5 s at most).
wait_line() {
  for _ in $(seq 100); do
    grep -q "$1" "$E2E_DIR/out.txt" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "no line '$1'"
}
N=0
# Sends a command and waits until the demo has carried it out.
cmd() {
  N=$((N + 1))
  echo "$1" >&3
  for _ in $(seq 100); do
    [ "$(grep -c '^done ' "$E2E_DIR/out.txt")" -ge "$N" ] && return 0
    sleep 0.05
  done
  fail "command '$1' not done"
}
# The last "where" line: client x y w h, outer x y w h, frames played.
where() {
  cmd where
  grep '^where ' "$E2E_DIR/out.txt" | tail -n1 | cut -d' ' -f2-
}
# Polls a shell condition for up to 10 s (a loaded machine can be slow).
until_true() {
  for _ in $(seq 200); do
    eval "$1" && return 0
    sleep 0.05
  done
  fail "$2"
}
client_pos() { xwininfo -id "$W" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'; }
net_state() { xprop -id "$W" _NET_WM_STATE; }
extents() { xprop -id "$W" _NET_FRAME_EXTENTS | sed 's/.*= //'; }
shaped() { xwininfo -id "$W" -shape | grep -q 'Window shape extents'; }
pixel() {
  cmd "pixel $1 $2"
  grep '^pixel ' "$E2E_DIR/out.txt" | tail -n1 | cut -d' ' -f2-
}

wait_line '^ready '
W=$(awk '/^ready /{print $2; exit}' "$E2E_DIR/out.txt")
until_true 'xwininfo -id "$W" | grep -q IsViewable' "the moon window is not mapped"
until_true '[ "$(extents)" != "0, 0, 0, 0" ] && [ -n "$(extents)" ]' "no decorations"

# --- Rectangular, decorated, no task-bar entry.
net_state | grep -q _NET_WM_STATE_SKIP_TASKBAR || fail "task-bar entry: $(net_state)"
shaped && fail "a shape on the rectangular window"
read -r cx cy _ _ _ _ _ _ frames0 <<<"$(where)"
[ "$(client_pos)" = "$cx $cy" ] || fail "client at $(client_pos), Qt says $cx $cy"
cmd "shot $ART/rectangular.png"

# --- Circular: frameless, the picture in place, the screen behind showing around the ellipse.
cmd circular
until_true '[ "$(extents)" = "0, 0, 0, 0" ]' "decorations kept while circular"
until_true 'shaped' "no shape"
until_true '[ "$(client_pos)" = "$cx $cy" ]' "the picture moved: $(client_pos), was $cx $cy"
# The root's woven pattern has a white pixel in every 2 x 2 square; the window is black there.
corner_shows_behind() {
  local d dx dy
  for d in "1 1" "2 1" "1 2" "2 2"; do
    read -r dx dy <<<"$d"
    [ "$(pixel $((cx + dx)) $((cy + dy)))" = "255 255 255" ] && return 0
  done
  return 1
}
# The window manager cuts its frame window to the client's shape once it hears of it.
until_true corner_shows_behind "the corner outside the ellipse does not show the screen behind"
centre=$(pixel $((cx + 200)) $((cy + 130)))
[ "$centre" != "0 0 0" ] || fail "the lit part of the moon is not shown"
cmd "shot $ART/circular.png"

# --- Topmost: the window manager sees it; same window, shape kept.
cmd top
until_true 'net_state | grep -q _NET_WM_STATE_ABOVE' "not above: $(net_state)"
shaped || fail "topmost lost the shape"
cmd notop
until_true '! net_state | grep -q _NET_WM_STATE_ABOVE' "still above"
xwininfo -id "$W" | grep -q IsViewable || fail "the window went away"

# --- Dragging by the picture moves the window; the release is not a click.
read -r cx cy _ _ _ _ _ _ frames <<<"$(where)"
px=$((cx + 130)) py=$((cy + 130))
xdotool mousemove "$px" "$py" mousedown 1
for i in 1 2 3 4 5 6; do xdotool mousemove $((px + i * 10)) $((py + i * 7)); sleep 0.03; done
xdotool mouseup 1
until_true '[ "$(client_pos)" = "$((cx + 60)) $((cy + 42))" ]' \
  "drag: client at $(client_pos), expected $((cx + 60)) $((cy + 42))"
read -r cx cy _ _ _ _ _ _ frames2 <<<"$(where)"
[ "$frames2" = "$frames" ] || fail "the drag's release played the phase cycle"

# --- A click on the picture plays the 24 frames of the phase cycle.
xdotool mousemove $((cx + 130)) $((cy + 130)) click 1
until_true '[ "$(where | cut -d" " -f9)" = "$((frames + 24))" ]' "the click did not play the cycle"

# --- Rectangular again: decorations back, the picture where it was.
cmd rect
until_true '[ "$(extents)" != "0, 0, 0, 0" ]' "no decorations after dropping the shape"
until_true '! shaped' "the shape stayed"
until_true '[ "$(client_pos)" = "$cx $cy" ]' "dropping the shape moved the picture: $(client_pos)"

# --- A drag of the decorated window.
xdotool mousemove $((cx + 100)) $((cy + 100)) mousedown 1
for i in 1 2 3 4 5; do xdotool mousemove $((cx + 100 - i * 8)) $((cy + 100 + i * 6)); sleep 0.03; done
xdotool mouseup 1
until_true '[ "$(client_pos)" = "$((cx - 40)) $((cy + 30))" ]' "drag of the rectangle: $(client_pos)"
read -r cx cy cw ch _ _ _ _ _ <<<"$(where)"
cmd "shot $ART/rectangular-moved.png"

# --- Maximized view and back.
cmd max
until_true 'net_state | grep -q _NET_WM_STATE_MAXIMIZED_VERT' "not maximized: $(net_state)"
until_true '[ "$(where | cut -d" " -f3)" -gt 600 ]' "the maximized window is not screen-wide"
cmd "shot $ART/maximized.png"
cmd normal
until_true '! net_state | grep -q _NET_WM_STATE_MAXIMIZED' "still maximized"
until_true '[ "$(client_pos)" = "$cx $cy" ]' "back from maximized elsewhere: $(client_pos)"
until_true '[ "$(where | cut -d" " -f3,4)" = "$cw $ch" ]' "back from maximized in another size"

cmd quit
wait "$DEMO_PID" || fail "the demo failed"
DEMO_PID=""

# --- Circular from the settings at start-up (never decorated before): dropping the shape
# still keeps the picture where it is.
: >"$E2E_DIR/out.txt"
N=0
"$DEMO" --circular <&3 >"$E2E_DIR/out.txt" 2>"$E2E_DIR/err.txt" &
DEMO_PID=$!
wait_line '^ready '
W=$(awk '/^ready /{print $2; exit}' "$E2E_DIR/out.txt")
until_true 'xwininfo -id "$W" | grep -q IsViewable' "the circular moon window is not mapped"
until_true 'shaped' "not circular at start-up"
[ "$(extents)" = "0, 0, 0, 0" ] || fail "decorated while circular at start-up"
read -r cx cy _ _ _ _ _ _ _ <<<"$(where)"
cmd rect
until_true '[ "$(extents)" != "0, 0, 0, 0" ]' "no decorations after dropping the start-up shape"
until_true '[ "$(client_pos)" = "$cx $cy" ]' "the start-up shape's drop moved the picture"
cmd quit
wait "$DEMO_PID" || fail "the demo failed"
DEMO_PID=""
echo "moon window end-to-end: 1 passed, 0 failed"
