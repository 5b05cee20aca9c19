#!/usr/bin/env bash
# End-to-end tests of the desktop program in a real X server with a window manager and a
# system tray, driven with xdotool. Usage: e2e_test.sh BUILD_DIR SCENARIO
# Screenshots go to $E2E_ARTIFACTS (default: BUILD_DIR/e2e-artifacts).
set -u
BUILD=$1
SCENARIO=$2
APP="$BUILD/app/selvane"
ARTIFACTS=${E2E_ARTIFACTS:-$BUILD/e2e-artifacts}
mkdir -p "$ARTIFACTS"
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/desktop.sh"

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
}
finish() {
  echo "$SCENARIO: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
shot() { import -window root "$ARTIFACTS/$SCENARIO-$1.png" 2>/dev/null || true; }

INI() { echo "$XDG_CONFIG_HOME/Selvane/Selvane.ini"; }
setting() { sed -n "s/^$1=//p" "$(INI)" 2>/dev/null; }

control_id() { xdotool search --onlyvisible --name '^Selvane( - Now -)?$' 2>/dev/null | head -n1; }
moon_id() { xdotool search --onlyvisible --name '^Moon  ' 2>/dev/null | head -n1; }
moon_any_id() { xdotool search --name '^Moon  ' 2>/dev/null | head -n1; }
window_name() { xdotool getwindowname "$1" 2>/dev/null; }
tray_panel() { xdotool search --classname '^panel$' 2>/dev/null | head -n1; }
tray_icons() {
  local panel
  panel=$(tray_panel)
  [ -n "$panel" ] || { echo 0; return; }
  xwininfo -tree -id "$panel" 2>/dev/null | grep -c '"Selvane": ('
}
outer_xy() {  # the window's frame corner on the screen
  local id=$1 frame
  frame=$(xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Relative upper-left X/{rx=$4} /Relative upper-left Y/{ry=$4} END{print x-rx, y-ry}')
  echo "$frame"
}

start_app() {
  "$APP" >>"$E2E_DIR/app.log" 2>&1 &
  APP_PID=$!
  wait_for 10 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Moon  " 2>/dev/null)" ]'
}
stop_app_with_menu() {  # quits through the tray menu
  open_tray_menu && xdotool key x
  for _ in $(seq 60); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
  ! kill -0 "$APP_PID" 2>/dev/null
}
open_tray_menu() {
  local panel icon
  wait_for 10 sh -c '[ -n "$(xdotool search --classname "^panel$" 2>/dev/null)" ]' || return 1
  panel=$(tray_panel)
  icon=$(xwininfo -tree -id "$panel" | awk '/"Selvane": \(/{print $1; exit}')
  [ -n "$icon" ] || return 1
  xdotool mousemove --window "$icon" 8 8 click 3
  sleep 0.4
}
click_in() {  # click_in WINDOW X Y (pixels from the client area's corner)
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

start_tray() {
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --transparent false --tint 0xffffff --expand false >"$E2E_DIR/trayer.log" 2>&1 &
  TRAY_PID=$!
}

if [ "$SCENARIO" = late-tray ]; then E2E_NO_TRAY=1 desktop_up; else desktop_up; fi

case "$SCENARIO" in
  late-tray)
    # No notification area at start: the program runs all the same, and its icon docks as
    # soon as a tray appears.
    start_app
    check "the moon window shows without a tray" sh -c '[ -n "$(xdotool search --onlyvisible --name "^Moon  ")" ]'
    check "the control window shows without a tray" sh -c '[ -n "$(xdotool search --onlyvisible --name "^Selvane - Now -$")" ]'
    sleep 1
    check "the program is still running" kill -0 "$APP_PID"
    start_tray
    check "the icon docks once a tray appears" wait_for 10 sh -c '[ -n "$(xdotool search --classname "^panel$" 2>/dev/null)" ]'
    check "exactly one icon" wait_for 5 sh -c "[ \"\$(xwininfo -tree -id \$(xdotool search --classname '^panel$' | head -n1) | grep -c '\"Selvane\": (')\" = 1 ]"
    open_tray_menu && xdotool key s   # the hatched shadow, from the late icon's menu
    sleep 0.3
    check "quitting from the late icon's menu ends the program" stop_app_with_menu
    check "quitting from the late icon saves a hatched shadow" test "$(setting shadow)" = 2
    shot late-tray
    ;;
  startup)
    start_app
    check "the control window shows \"Selvane - Now -\"" wait_for 5 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Selvane - Now -$")" ]'
    check "the moon window's caption carries today's date" sh -c "xdotool search --onlyvisible --name \"^Moon  $(TZ=Asia/Tokyo date +%Y/%-m/%-d) \" | grep -q ."
    check "the tray icon docked" wait_for 10 sh -c '[ "$(xdotool search --classname "^panel$" | head -n1)" != "" ]'
    check "exactly one icon" test "$(tray_icons)" = 1
    first=$(window_name "$(moon_id)")
    sleep 1.2
    check "the fields follow the clock" test "$(window_name "$(moon_id)")" != "$first"
    shot started
    ;;
  gostop)
    start_app
    ctl=$(control_id)
    xdotool windowactivate --sync "$ctl" 2>/dev/null
    xdotool key --window "$ctl" space   # the focus starts on "Go / Stop"
    check "Go / Stop leaves real time" wait_for 3 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Selvane$")" ]'
    frozen=$(window_name "$(moon_id)")
    sleep 1.2
    check "the display stands still" test "$(window_name "$(moon_id)")" = "$frozen"
    shot stopped
    ;;
  keypad)
    start_app
    ctl=$(control_id)
    click_in "$ctl" 74 26          # Text1, the year field
    check "the keypad opens for the year" wait_for 3 sh -c '[ -n "$(xdotool search --onlyvisible --name "^年を入力$")" ]'
    pad=$(xdotool search --onlyvisible --name '^年を入力$' | head -n1)
    shot keypad
    for xy in "44 96" "30 124" "44 96" "72 96"; do click_in "$pad" $xy; done  # 2 0 2 3
    click_in "$pad" 86 124         # OK
    check "the keypad hides after OK" wait_for 3 sh -c '[ -z "$(xdotool search --onlyvisible --name "^年を入力$")" ]'
    check "the year became 2023 and real time ended" wait_for 3 sh -c 'xdotool search --onlyvisible --name "^Moon  2023/" | grep -q .'
    check "the caption is \"Selvane\"" wait_for 3 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Selvane$")" ]'
    shot entered
    ;;
  views)
    start_app
    moon=$(moon_id)
    open_tray_menu && xdotool key c
    sleep 0.5
    shaped=no
    for id in $(xdotool search --onlyvisible --name '^Moon  '); do
      xwininfo -shape -id "$id" | grep -q 'Window shape extents' && shaped=yes
    done
    check "the circular window is shaped" test "$shaped" = yes
    shot circular
    open_tray_menu && xdotool key b
    sleep 0.5
    moon=$(moon_any_id)
    geo=$(xwininfo -id "$moon" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w"x"h}')
    check "the maximized window fills the screen (got $geo)" sh -c "[ '${geo%x*}' -ge 1200 ]"
    shot maximized
    open_tray_menu && xdotool key b
    sleep 0.3
    open_tray_menu && xdotool key t
    sleep 0.3
    moon=$(moon_any_id)
    check "topmost sets _NET_WM_STATE_ABOVE" sh -c "xprop -id $moon _NET_WM_STATE | grep -q ABOVE"
    ;;
  quit-restart)
    start_app
    ctl=$(control_id)
    moon=$(moon_id)
    xdotool windowmove "$ctl" 100 150
    xdotool windowmove "$moon" 700 200
    sleep 0.5
    before_ctl=$(outer_xy "$(control_id)")
    before_moon=$(outer_xy "$(moon_id)")
    check "quitting through the menu ends the program" stop_app_with_menu
    for key in Left1 Top1 Left2 Top2 shadow winstyle; do
      check "$key is saved" sh -c "[ -n \"$(setting $key)\" ]"
    done
    start_app
    sleep 0.5
    check "the control window comes back at $before_ctl (got $(outer_xy "$(control_id)"))" test "$(outer_xy "$(control_id)")" = "$before_ctl"
    check "the moon window comes back at $before_moon (got $(outer_xy "$(moon_id)"))" test "$(outer_xy "$(moon_id)")" = "$before_moon"
    shot restarted
    ;;
  instances)
    start_app
    wait_for 10 sh -c '[ -n "$(xdotool search --classname "^panel$")" ]'
    t0=$(date +%s%N)
    timeout 5 "$APP" >>"$E2E_DIR/app.log" 2>&1
    rc=$?
    t1=$(date +%s%N)
    check "a second start ends at once (rc $rc)" test "$rc" = 0
    check "within a second" test $(((t1 - t0) / 1000000)) -lt 1000
    sleep 0.3
    check "one icon left" test "$(tray_icons)" = 1
    check "no settings written by the second start" test ! -e "$(INI)"
    kill -9 "$APP_PID"
    wait "$APP_PID" 2>/dev/null
    start_app
    check "a new start after kill -9 runs" kill -0 "$APP_PID"
    check "its moon window is there" sh -c '[ -n "$(xdotool search --onlyvisible --name "^Moon  ")" ]'
    kill -TERM "$APP_PID"
    for _ in $(seq 60); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
    check "SIGTERM ends the program" sh -c "! kill -0 $APP_PID 2>/dev/null"
    check "SIGTERM saves the settings" sh -c "[ -n \"$(setting Left1)\" ] && [ -n \"$(setting winstyle)\" ]"
    ;;
  *)
    echo "unknown scenario $SCENARIO" >&2
    exit 2
    ;;
esac
cp "$E2E_DIR/app.log" "$ARTIFACTS/$SCENARIO-app.log" 2>/dev/null || true
finish
