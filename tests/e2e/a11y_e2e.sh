#!/usr/bin/env bash
# The program as a screen reader meets it: on a private session bus with its accessibility bus,
# Qt's accessibility switched on, in Xvfb with openbox and trayer. Reads the windows' controls
# over the bus (a11y_read.py): every control named, no two alike, the age readable as text and
# told by the picture; and the keyboard ways: F4 in a field opens the keypad, the context-menu
# key and Shift+F10 open the moon window's menu. Usage: a11y_e2e.sh BUILD_DIR
set -u
if [ -z "${A11Y_E2E_SESSION:-}" ]; then
  export A11Y_E2E_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi
BUILD=$1
APP="$BUILD/app/selvane"
ARTIFACTS=${E2E_ARTIFACTS:-$BUILD/e2e-artifacts}
mkdir -p "$ARTIFACTS"
HERE=$(cd "$(dirname "$0")" && pwd)
# The system interpreter: the Debian package of the reader is installed for it.
READ="/usr/bin/python3 $HERE/a11y_read.py"
source "$HERE/desktop.sh"

SESSION_BUS=$DBUS_SESSION_BUS_ADDRESS
desktop_up
# The desktop turns the session bus off for the other scenarios; this one runs on its own.
export DBUS_SESSION_BUS_ADDRESS=$SESSION_BUS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_DIR/bus-launcher.log" 2>&1 &
LAUNCHER_PID=$!
trap 'kill "$LAUNCHER_PID" 2>/dev/null; wait "$LAUNCHER_PID" 2>/dev/null; desktop_down' EXIT

shot() { import -window root "$ARTIFACTS/a11y-$1.png" 2>/dev/null || true; }
control_shown() { [ -n "$(window_id '^Selvane( - Now -)?$')" ]; }
control_hidden() { ! control_shown; }

"$APP" >"$E2E_DIR/app.log" 2>&1 &
APP_PID=$!
wait_for 10 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Moon  ")" ]'
sleep 0.5

check "the control window's controls are named, each its own" $READ names "$APP_PID" '^Selvane'
check "the moon window's controls are named, each its own" $READ names "$APP_PID" '^Moon'
check "the age reads as text, and the picture tells it" $READ age "$APP_PID"

ctl=$(window_id '^Selvane( - Now -)?$')
xdotool windowactivate --sync "$ctl" 2>/dev/null
xdotool key --window "$ctl" Tab        # from "Go / Stop" to the year field
sleep 0.2
shot focus-year
xdotool key --window "$ctl" F4
check "F4 in the year field opens the keypad" wait_for 3 sh -c '[ -n "$(xdotool search --onlyvisible --name "^年を入力$")" ]'
check "the keypad's controls are named, each its own" $READ names "$APP_PID" '^年を入力$'
shot keypad
xdotool key Escape
wait_for 3 sh -c '[ -z "$(xdotool search --onlyvisible --name "^年を入力$")" ]'

moon=$(window_id '^Moon  ')
xdotool windowactivate --sync "$moon" 2>/dev/null
xdotool key --window "$moon" Tab       # to the age field
sleep 0.2
shot focus-age
xdotool key --window "$moon" Tab       # back to the picture, which shows the focus now
sleep 0.2
shot focus-picture
# The menu's "V" shows and hides the control window: proof that the menu opened.
xdotool key --window "$moon" shift+F10
sleep 0.5
shot menu
xdotool key v
check "Shift+F10 opens the moon window's menu" wait_for 3 control_hidden
xdotool windowactivate --sync "$moon" 2>/dev/null
xdotool key --window "$moon" Menu
sleep 0.5
xdotool key v
check "the context-menu key opens it" wait_for 3 control_shown

$READ dump "$APP_PID" >"$ARTIFACTS/a11y-tree.tsv" 2>&1
cp "$E2E_DIR/app.log" "$ARTIFACTS/a11y-app.log" 2>/dev/null || true
echo "a11y: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
