#!/usr/bin/env bash
# The desktop program under a decimal-comma locale (de_DE.UTF-8) in a real X server: the age
# in the moon window, read as a user would (click, select all, copy), must be the text that
# selvane-phase prints for the instant in the window's caption. Usage:
#   locale_e2e.sh BUILD_DIR LOCALE_DIR
# LOCALE_DIR holds de_DE.UTF-8 as localedef made it; without it the test skips (status 77).
set -u
BUILD=$1
LOCALES=$2
APP="$BUILD/app/selvane"
PHASE="$BUILD/app/selvane-phase"
ARTIFACTS=${E2E_ARTIFACTS:-$BUILD/e2e-artifacts}
mkdir -p "$ARTIFACTS"
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/desktop.sh"

if [ ! -f "$LOCALES/de_DE.UTF-8/LC_NUMERIC" ]; then
  echo "skipped: no de_DE.UTF-8 in $LOCALES (localedef -i de_DE -f UTF-8 $LOCALES/de_DE.UTF-8)"
  exit 77
fi

failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }
shot() { import -window root "$ARTIFACTS/comma-locale-$1.png" 2>/dev/null || true; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
visible() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }

desktop_up
LOCPATH="$LOCALES" LC_ALL=de_DE.UTF-8 "$APP" >>"$E2E_DIR/app.log" 2>&1 &
# shellcheck disable=SC2034  # desktop_down ends it
APP_PID=$!
wait_for 10 visible '^Moon  ' || fail "the moon window did not appear"

# "Go / Stop" (the focus starts there) leaves real time, so that the age stands still between
# the reads. A year entered on the keypad then, lying before the lunation found at start-up,
# makes the program search afresh from the entered instant, as selvane-phase does.
wait_for 5 visible '^Selvane - Now -$' || fail "the control window did not appear"
ctl=$(window_id '^Selvane - Now -$')
xdotool windowactivate --sync "$ctl" 2>/dev/null
xdotool key --window "$ctl" space
wait_for 3 visible '^Selvane$' || fail "Go / Stop did not leave real time"
shot stopped
click_in "$ctl" 74 26  # Text1, the year field
wait_for 3 visible '^年を入力$' || fail "the keypad did not open"
pad=$(window_id '^年を入力$')
for xy in "44 96" "30 124" "44 96" "72 96"; do click_in "$pad" $xy; done  # 2 0 2 3
click_in "$pad" 86 124                                                    # OK
wait_for 5 visible '^Moon  2023/' || fail "the year did not become 2023"
sleep 0.3

moon=$(window_id '^Moon  ')
caption=$(xdotool getwindowname "$moon")
eval "$(xdotool getwindowgeometry --shell "$moon")"
click_in "$moon" $((WIDTH / 2)) $((HEIGHT - 12))  # the age field under the picture
xdotool key --clearmodifiers ctrl+a ctrl+c
sleep 0.3
shown=$(xclip -o -selection clipboard 2>/dev/null)
shot age

# "Moon  Y/M/D h:m:s" -> six texts for selvane-phase.
read -r -a six <<<"$(echo "${caption#Moon  }" | tr '/:' '  ')"
expected=$("$PHASE" "${six[@]}" | sed -n 's/^Age:                \(.*\) days$/\1/p')
echo "caption: $caption"
echo "shown:    [$shown]"
echo "expected: [$expected]"
[ "${#six[@]}" -eq 6 ] || fail "the caption does not hold six texts"
[ -n "$expected" ] || fail "selvane-phase printed no age"
[ "$shown" = "$expected" ] || fail "the age shown is not the age of the caption's instant"
case "$shown" in *,*) fail "the age shows a decimal comma" ;; esac

[ "$failed" -eq 0 ] && echo "comma locale: passed"
exit "$failed"
