#!/usr/bin/env bash
# The desktop program on a high-density screen (Xvfb, openbox, trayer; Xft.dpi 192, a device
# pixel ratio of 2): stopped at an instant, the moon window shows exactly the picture that
# `selvane-phase --png --scale 2` draws for that instant (510 x 516, device pixel for device
# pixel), in the normal view, through the circular shape and in the maximized view. Then, on
# two monitors of ratios 1 and 2, the window moved from one to the other redraws for it.
# Screenshots go to $E2E_ARTIFACTS (default: BUILD_DIR/e2e-artifacts).
#
#   hidpi_e2e.sh BUILD_DIR
set -u
BUILD=$1
ART=${E2E_ARTIFACTS:-$BUILD/e2e-artifacts}
mkdir -p "$ART"
source "$(dirname "$0")/../e2e/desktop.sh"
desktop_up
echo 'Xft.dpi: 192' | xrdb -merge

failed=0
fail() {
  echo "FAILED: $*" >&2
  failed=$((failed + 1))
}

# Finds the expected picture in a grab and prints where its corner lies; only the rows and
# columns given (expected picture's pixels, end excluded) are compared, and they must be equal
# pixel for pixel. The key row searched for is picture row 129 (row 258 at ratio 2, the
# default): with the hatched shadow it is always the bare picture.
#   locate EXPECTED.png GRAB.png X0 X1 Y0 Y1 [KEY_ROW]
locate() {
  convert "$1" -depth 8 ppm:"$E2E_DIR/e.ppm" && convert "$2" -depth 8 ppm:"$E2E_DIR/g.ppm" || return 1
  python3 - "$E2E_DIR/e.ppm" "$E2E_DIR/g.ppm" "$3" "$4" "$5" "$6" "${7:-258}" <<'EOF'
import sys

def ppm(path):
    data = open(path, "rb").read()
    parts = data.split(maxsplit=4)
    assert parts[0] == b"P6" and parts[3] == b"255"
    return int(parts[1]), int(parts[2]), parts[4]

ew, eh, e = ppm(sys.argv[1])
gw, gh, g = ppm(sys.argv[2])
x0, x1, y0, y1, key_row = map(int, sys.argv[3:8])
row = lambda buf, w, y, a, b: buf[(y * w + a) * 3:(y * w + b) * 3]
key = row(e, ew, key_row, x0, x1)
start = 0
while True:
    at = g.find(key, start)
    if at < 0:
        sys.exit(f"the picture is not in the grab ({gw} x {gh})")
    start = at + 1
    if at % 3:
        continue
    gy, gx = divmod(at // 3, gw)
    ox, oy = gx - x0, gy - key_row
    if oy + y0 < 0 or oy + y1 > gh or ox + x1 > gw:
        continue
    if all(row(g, gw, oy + y, ox + x0, ox + x1) == row(e, ew, y, x0, x1) for y in range(y0, y1)):
        print(ox, oy)
        sys.exit(0)
EOF
}

moon_id() { xdotool search --onlyvisible --name '^Moon  ' 2>/dev/null | head -n1; }
open_menu() {  # the program's menu, from a right click on the moon picture
  local id
  id=$(moon_id)
  xdotool mousemove --window "$id" 150 150 click 3
  sleep 0.5
}

# The hatched shadow, so that every second row shows the picture whatever the phase.
start_stopped() {
  mkdir -p "$XDG_CONFIG_HOME/Selvane"
  printf '[Settings]\nLeft1=600\nTop1=600\nLeft2=3000\nTop2=1500\nshadow=2\nwinstyle=False\n' \
    >"$XDG_CONFIG_HOME/Selvane/Selvane.ini"
  "$BUILD/app/selvane" >>"$E2E_DIR/app.log" 2>&1 &
  APP_PID=$!
  wait_for 10 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Moon  " 2>/dev/null)" ]' ||
    fail "no moon window"
  local ctl
  ctl=$(xdotool search --onlyvisible --name '^Selvane - Now -$' | head -n1)
  xdotool windowactivate --sync "$ctl" 2>/dev/null
  xdotool key --window "$ctl" space # the focus starts on "Go / Stop"
  wait_for 5 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Selvane$")" ]' ||
    fail "Go / Stop did not stop"
  sleep 0.5
  moon=$(moon_id)
  title=$(xdotool getwindowname "$moon")
  # "Moon  Y/M/D h:m:s" -> the six field texts
  read -r -a texts <<<"$(echo "${title#Moon  }" | tr '/:' '  ')"
  [ "${#texts[@]}" = 6 ] || fail "the caption \"$title\" does not name an instant"
}
expect() {  # expect SCALE FILE: selvane-phase's picture of the stopped instant
  "$BUILD/app/selvane-phase" --png "$2" --shadow-step 2 --scale "$1" "${texts[@]}" ||
    fail "selvane-phase --png --scale $1"
}

start_stopped
expect 2 "$E2E_DIR/expected.png"
cp "$E2E_DIR/expected.png" "$ART/hidpi-expected.png"

# Normal view: the whole picture, inside its border.
import -window "$moon" "$ART/hidpi-normal.png"
where=$(locate "$E2E_DIR/expected.png" "$ART/hidpi-normal.png" 0 510 0 516) ||
  fail "normal view: the window's picture is not selvane-phase's 2x picture for $title"
echo "normal view: the 2x picture at $where in the moon window"

# Circular: the picture inside the ellipse (the middle of the picture) is the same.
open_menu && xdotool key c
sleep 0.8
moon=$(moon_id)
xwininfo -shape -id "$moon" | grep -q 'Window shape extents' || fail "circular: not shaped"
import -window root "$ART/hidpi-circular.png"
locate "$E2E_DIR/expected.png" "$ART/hidpi-circular.png" 80 430 80 436 >/dev/null ||
  fail "circular view: the picture inside the ellipse differs"
open_menu && xdotool key c
sleep 0.5

# Maximized: the picture without a border, centred on the screen.
open_menu && xdotool key b
sleep 1
import -window root "$ART/hidpi-maximized.png"
where=$(locate "$E2E_DIR/expected.png" "$ART/hidpi-maximized.png" 0 510 0 516) ||
  fail "maximized view: the picture differs"
read -r mx my <<<"${where:-0 0}"
[ $((mx + 255 - 640)) -ge -4 ] && [ $((mx + 255 - 640)) -le 4 ] ||
  fail "maximized view: the picture is not centred across the screen (left edge at $mx)"

kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null

# Two monitors side by side, the left one at ratio 1 and the right one at ratio 2: the
# window starts on the left with the 1x picture and, moved to the right, shows the 2x one.
echo 'Xft.dpi: 96' | xrdb -merge
xrandr --setmonitor left 640/169x1024/271+0+0 screen >/dev/null 2>&1
xrandr --setmonitor right 640/169x1024/271+640+0 none >/dev/null 2>&1
export QT_SCREEN_SCALE_FACTORS="1;2"
start_stopped
expect 1 "$E2E_DIR/expected1.png"
expect 2 "$E2E_DIR/expected2.png"
import -window "$moon" "$ART/hidpi-left.png"
locate "$E2E_DIR/expected1.png" "$ART/hidpi-left.png" 0 255 0 258 129 >/dev/null ||
  fail "on the monitor of ratio 1: the picture is not the 1x one"
xdotool windowmove "$moon" 900 100
sleep 0.5
xdotool windowmove "$moon" 950 120
wait_for 10 sh -c "xwininfo -id $moon | grep -q 'Width: 528'" || fail "the window did not take the right monitor's ratio"
sleep 0.5
import -window "$moon" "$ART/hidpi-moved.png"
locate "$E2E_DIR/expected2.png" "$ART/hidpi-moved.png" 0 510 0 516 >/dev/null ||
  fail "moved to the monitor of ratio 2: the picture is not the 2x one"

[ "$failed" -eq 0 ] && echo "high-density end-to-end: passed" || echo "high-density end-to-end: $failed failed"
[ "$failed" -eq 0 ]
