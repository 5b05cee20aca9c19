#!/usr/bin/env bash
# End-to-end: the program started with a time zone far from Japan's follows the present
# instant in Japan Standard Time. Usage: timezone_e2e.sh BUILD_DIR
# The moon window's caption (its WM_NAME) must be the JST clock of now, not the local clock.
set -u
BUILD=$1
ARTIFACTS=${E2E_ARTIFACTS:-$BUILD/e2e-artifacts}
mkdir -p "$ARTIFACTS"
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop.sh
source "$HERE/desktop.sh"

failed=0
fail() {
  echo "FAILED: $1" >&2
  failed=1
}

# Seconds since the epoch of a caption "Moon  Y/M/D h:m:s" read as Japan Standard Time.
caption_epoch() {
  local stamp=${1#Moon  }
  TZ=Asia/Tokyo date -d "${stamp//\//-}" +%s 2>/dev/null
}

desktop_up
TZ=America/Los_Angeles "$BUILD/app/selvane" >>"$E2E_DIR/app.log" 2>&1 &
# shellcheck disable=SC2034  # desktop_down ends the program
APP_PID=$!
# shellcheck disable=SC2016  # the command substitution runs in the polled shell
wait_for 10 sh -c '[ -n "$(xdotool search --onlyvisible --name "^Moon  " 2>/dev/null)" ]' ||
  fail "the moon window appears"
moon=$(window_id '^Moon  ')
if [ -n "$moon" ]; then
  # Give real-time mode a moment to tick, then read the caption with the present instant.
  sleep 0.5
  caption=$(xprop -id "$moon" WM_NAME | sed -n 's/^WM_NAME([^)]*) = "\(.*\)"$/\1/p')
  now=$(date +%s)
  shown=$(caption_epoch "$caption")
  echo "caption: \"$caption\"; now in Japan: $(TZ=Asia/Tokyo date -d "@$now" '+%Y/%-m/%-d %-H:%-M:%-S')"
  if [ -z "$shown" ]; then
    fail "the caption \"$caption\" holds a date and time"
  else
    # Ticks come every 100 ms; allow for a loaded machine, far below the hours a zone mix-up gives.
    diff=$((now - shown))
    [ "${diff#-}" -le 5 ] || fail "the caption is the present JST time (off by $diff s)"
  fi
  import -window root "$ARTIFACTS/timezone-los-angeles.png" 2>/dev/null || true
fi
[ "$failed" -eq 0 ] && echo "timezone: passed"
[ "$failed" -eq 0 ]
