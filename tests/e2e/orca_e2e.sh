#!/usr/bin/env bash
# shellcheck disable=SC2016  # the polled conditions expand in the polling shell
# What a blind user hears: the program with the Orca screen reader, in Japanese, its speech
# captured through a logging speech-dispatcher module, a keyboard walk scripted with xdotool.
# Every action's result must be heard, not only its key; the focus must come back wherever the
# walk expects it; with the moon window focused while following the clock Orca may speak at most
# 3 times in 15 s. What Orca said at each step, and how long after the key it started, is
# written to e2e-artifacts/orca-transcript.txt.
# Usage: orca_e2e.sh BUILD_DIR LOCALE_DIR (ja_JP.UTF-8 compiled there). Exits 77 without Orca
# or speech-dispatcher.
set -u
if [ ! -x /usr/bin/orca ] || ! command -v speech-dispatcher >/dev/null; then
  echo "orca or speech-dispatcher is not installed: skipped"
  exit 77
fi
if [ -z "${ORCA_E2E_SESSION:-}" ]; then
  export ORCA_E2E_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi
BUILD=$1
LOCALES=$2
APP="$BUILD/app/selvane"
HERE=$(cd "$(dirname "$0")" && pwd)
DESKTOP_FILE="$HERE/../../packaging/org.selvane.Selvane.desktop"
ARTIFACTS=${E2E_ARTIFACTS:-$BUILD/e2e-artifacts}
mkdir -p "$ARTIFACTS"
TRANSCRIPT="$ARTIFACTS/orca-transcript.txt"
: >"$TRANSCRIPT"
if [ ! -f "$LOCALES/ja_JP.UTF-8/LC_CTYPE" ]; then
  echo "no ja_JP.UTF-8 locale in $LOCALES" >&2
  exit 1
fi
# shellcheck source=desktop.sh
source "$HERE/desktop.sh"

SESSION_BUS=$DBUS_SESSION_BUS_ADDRESS
E2E_TRAY=none  # read by desktop_up
export E2E_TRAY
desktop_up
# The desktop turns the session bus off for the other scenarios; this one runs on its own.
export DBUS_SESSION_BUS_ADDRESS=$SESSION_BUS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export HOME="$E2E_DIR/home" XDG_DATA_HOME="$E2E_DIR/home/data" XDG_CACHE_HOME="$E2E_DIR/home/cache"
# Japanese for the program, the reader and the speech server, given to them alone: the C library
# reads LOCPATH from the environment a program starts with, so this shell cannot switch to it.
JA=(env LOCPATH="$LOCALES" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 LANGUAGE=ja)
ORCA_LOG="$E2E_DIR/orca.log"
SPEECH_LOG="$E2E_DIR/speech.log"
SPEECH_CONF="$XDG_CONFIG_HOME/speech-dispatcher"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR/speech-dispatcher" "$SPEECH_CONF/modules"
: >"$SPEECH_LOG"

# Speech without a sound card: every message goes to the logging module.
echo "default_driver=null" >"$HOME/.libao"
cat >"$SPEECH_CONF/speechd.conf" <<EOF
AudioOutputMethod "libao"
AddModule "logger" "sd_generic" "$SPEECH_CONF/modules/logger.conf"
DefaultModule logger
LanguageDefaultModule "ja" "logger"
DefaultLanguage "ja"
EOF
cat >"$SPEECH_CONF/modules/logger.conf" <<EOF
GenericExecuteSynth "$HERE/speech_log.sh $SPEECH_LOG \'\$DATA\'"
GenericLanguage "ja" "ja" "utf-8"
GenericLanguage "en" "en" "utf-8"
AddVoice "ja" "MALE1" "ja"
AddVoice "en" "MALE1" "en"
EOF

readers_down() {
  local p
  for p in ${ORCA_PID:-} ${SPEECHD_PID:-} ${LAUNCHER_PID:-}; do kill "$p" 2>/dev/null || true; done
  for p in ${ORCA_PID:-} ${SPEECHD_PID:-} ${LAUNCHER_PID:-}; do
    for _ in $(seq 20); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  cp "$ORCA_LOG" "$ARTIFACTS/orca-debug.log" 2>/dev/null || true
  cp "$SPEECH_LOG" "$ARTIFACTS/orca-speech.log" 2>/dev/null || true
  desktop_down
}
trap readers_down EXIT

"${JA[@]}" speech-dispatcher --run-single --timeout 0 --communication-method unix_socket \
  --socket-path "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" --config-dir "$SPEECH_CONF" \
  >"$E2E_DIR/speechd.log" 2>&1 &
SPEECHD_PID=$!
"${JA[@]}" /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_DIR/bus-launcher.log" 2>&1 &
LAUNCHER_PID=$!
wait_for 10 test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"
"${JA[@]}" /usr/bin/python3 "$HERE/orca_session.py" "$ORCA_LOG" >"$E2E_DIR/orca.out" 2>&1 &
ORCA_PID=$!
# Orca is ready once it has said that it is on.
if ! wait_for 30 grep -q "SPEECH OUTPUT" "$ORCA_LOG"; then
  echo "Orca did not start" >&2
  cat "$E2E_DIR/orca.out" >&2
  exit 1
fi

# ---- What Orca said ----------------------------------------------------------------------------

MARK=0
mark() { MARK=$(stat -c %s "$ORCA_LOG"); }
# What Orca said since the mark, one utterance a line as "SAID SECONDS TEXT", and "KEY SECONDS"
# where it took a key (seconds of the day). Its echo of the keys themselves is left out.
said() {
  tail -c +$((MARK + 1)) "$ORCA_LOG" | awk '
    function secs(t, p) { split(t, p, ":"); return p[1] * 3600 + p[2] * 60 + p[3] }
    /^vvvvv PROCESS ATSPI_KEY_PRESSED_EVENT/ { keyed = 1; next }
    /^(vvvvv|\^\^\^\^\^) / { echo = 0; next }
    !/^[0-9][0-9]:[0-9][0-9]:[0-9.]+ - / { next }
    keyed { printf "KEY %.3f\n", secs($1); keyed = 0 }
    / - DEFAULT: Presenting keyboard event$/ { echo = 1; next }
    / - SPEECH OUTPUT: \047.*\047 ?[[{]/ {
      if (echo) { echo = 0; next }
      text = $0; sub(/.*SPEECH OUTPUT: \047/, "", text); sub(/\047 ?[[{].*/, "", text)
      printf "SAID %.3f %s\n", secs($1), text
    }'
}
# Everything Orca said since the mark, one line.
heard() { said | sed -n 's/^SAID [^ ]* //p' | tr '\n' ' '; }
heard_match() { heard | grep -Eq -- "$1"; }
heard_once() { [ "$(heard | grep -Eo -- "$1" | wc -l)" = 1 ]; }
# Seconds from Orca taking the last key to the start of the speech that says $1 (which may run
# over several of Orca's utterances); below 0 when Orca speaks of the window a key activated
# before it takes the key itself.
delay() {
  said | awk -v re="$1" '
    $1 == "KEY" { if (key != "") n = 0; key = $2; next }
    {
      text = $0; sub(/^SAID [^ ]* /, "", text)
      said[++n] = text; at[n] = $2
      joined = ""
      for (i = n; i >= 1; i--) {
        joined = said[i] " " joined
        if (joined ~ re && key != "") {
          d = sprintf("%.2f", at[i] - key)
          print (d == "-0.00" ? "0.00" : d)
          exit
        }
      }
    }'
}
# Waits until Orca has said nothing new for half a second (at most 5 s): what the last keys set
# off is said before the next key, as a user listens before going on.
quiet() {
  local said last=-1 still=0
  for _ in $(seq 50); do
    said=$(heard | wc -c)
    if [ "$said" = "$last" ]; then
      still=$((still + 1))
      [ "$still" -ge 5 ] && return 0
    else
      still=0
    fi
    last=$said
    sleep 0.1
  done
}
# Keys that move about, and keys that do something; for the latter, the transcript gives the
# seconds from Orca taking the last key to the start of what it said.
walk() {
  quiet
  mark
  TIMED=0
  local k
  for k in "$@"; do xdotool key "$k"; done
}
act() {
  walk "$@"
  TIMED=1
}
# Orca says something matching $1.
says() {
  local re=$1
  if ! wait_for 5 heard_match "$re"; then
    echo "  expected /$re/, heard: $(heard)" >&2
    return 1
  fi
  if [ "$TIMED" = 1 ]; then
    echo "  $(heard)  [$(delay "$re") s]" >>"$TRANSCRIPT"
  else
    echo "  $(heard)" >>"$TRANSCRIPT"
  fi
}
step() { echo "$1 ($(date +%T))" >>"$TRANSCRIPT"; }
focus_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(window_id "$1")" ]; }
# The outer corner (title bar and border included) of a visible window.
outer_corner() {
  local id abs
  id=$(window_id "$1")
  [ -n "$id" ] || return 1
  abs=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }')
  xprop -id "$id" _NET_FRAME_EXTENTS | awk -v abs="$abs" -F '[=,]' \
    '{ split(abs, a, " "); print a[1] - $2 "," a[2] - $4 }'
}

CONTROL='^Selvane( - Now -)?$'
MOON='^Moon  '
KEYPAD='^日を入力$'
"${JA[@]}" "$APP" >"$E2E_DIR/app.log" 2>&1 &
# shellcheck disable=SC2034  # desktop_down ends the program
APP_PID=$!
mark
check "the control window comes up with the focus on Go / Stop, following the clock" \
  wait_for 15 heard_match "Go / Stop.*リアルタイム表示中"
wait_for 5 focus_on "$CONTROL"
NEXT_YEAR=$(($(TZ=Asia/Tokyo date +%Y) + 1))
FIRST_PLACE=
CONTROL_PLACE=
# Whether the keypad is a transient (a dialog) of the control window.
keypad_is_transient() {
  local owner
  owner=$(xprop -id "$(window_id "$KEYPAD")" WM_TRANSIENT_FOR)
  [ "${owner##*# }" = "$(printf 0x%x "$(window_id "$CONTROL")")" ]
}

# The keyboard walk, one row a line: KIND | WHAT IS CHECKED | KEYS | EXPECTED
#   step: a heading in the transcript;
#   walk, act: the keys (walk: moving about, act: doing something), then what Orca says (ERE;
#     NEXT_YEAR stands for the year after the present one in Japan; NOTICE before a message the
#     program announces: before Qt 6.8 a hidden notification object carries it and the reader
#     names its role first (通知), from Qt 6.8 on it is an announcement, read as it stands);
#   focus: the window (CONTROL, MOON or KEYPAD) that has the X input focus;
#   test: a shell condition that must come true within 5 s.
WALK=$(
  cat <<'EOF'
step | Tab from the seconds field: the unit radio buttons are entered at the selected unit | - | -
walk | Tab enters the radio buttons at 秒, the selected one | Tab Tab Tab Tab Tab Tab Tab | 秒\.? [^.]*ラジオボタン
walk | the next Tab leaves the group | Tab | 変化分.*テキスト
step | Space on 年を1増やす (following the clock) | - | -
walk | Tab reaches 年を1増やす | Tab Tab | 年を1増やす
act | Space on it says the new year and that the animation runs | space | NOTICENEXT_YEAR年、アニメーション中
step | Up and Down in the step-amount field | - | -
walk | back in the step-amount field | shift+Tab shift+Tab | 変化分.*テキスト
act | Up steps it, heard where the focus is | Up | NOTICE変化分 2
act | Down steps it back | Down | NOTICE変化分 1
step | Enter in a field | - | -
act | Enter moves on to the year field, read whole | Return | 年 テキスト.*NEXT_YEAR
step | The keypad: F4 in the day field, 1, 2 while OK has the focus, Enter | - | -
walk | Tab reaches the day field | Tab Tab | 日 テキスト
walk | F4 opens the keypad | F4 | 日を入力.*OK
focus | the keypad has the input focus | - | KEYPAD
test | the keypad is a transient of the control window | - | keypad_is_transient
test | the keypad's place is read | - | FIRST_PLACE=$(outer_corner "$KEYPAD") && CONTROL_PLACE=$(outer_corner "$CONTROL")
act | OK hands the focus back to the day field, read with its new value | 1 2 Return | 日 テキスト.*12
focus | the control window has the input focus | - | CONTROL
walk | Tab goes on from there | Tab | 時 テキスト
step | The keypad closed by Escape and by its close box; opened again where it was | - | -
walk | the keypad opens again | shift+Tab F4 | 日を入力
focus | the keypad has the input focus | - | KEYPAD
test | it opens where it opened first | - | [ "$(outer_corner "$KEYPAD")" = "$FIRST_PLACE" ]
act | Escape hands the focus back to the day field | Escape | 日 テキスト
focus | the control window has the input focus | - | CONTROL
walk | the keypad opens a third time | F4 | 日を入力
focus | the keypad has the input focus | - | KEYPAD
test | again where it opened first | - | [ "$(outer_corner "$KEYPAD")" = "$FIRST_PLACE" ]
act | its close box hands the focus back to the day field | alt+F4 | 日 テキスト
focus | the control window has the input focus | - | CONTROL
step | ADJ, Now, Go / Stop | - | -
walk | shift+Tab reaches ADJ | shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab | ADJ
act | ADJ says the minute and second it cleared | space | NOTICE0分0秒
walk | Tab reaches Now | Tab | Now
act | Now says that the display follows the clock | space | NOTICEリアルタイム表示中
walk | Go / Stop tells the state in its description | Tab | Go / Stop.*リアルタイム表示中
act | Go / Stop says it stopped | space | NOTICE停止中
act | Go / Stop says it animates | space | NOTICEアニメーション中
walk | back to Now | shift+Tab | Now
act | Now again: following the clock | space | NOTICEリアルタイム表示中
EOF
)
while IFS= read -r -u 3 row; do
  kind=${row%% | *} row=${row#* | }
  what=${row%% | *} row=${row#* | }
  keys=${row%% | *} expected=${row#* | }
  expected=${expected//NEXT_YEAR/$NEXT_YEAR}
  expected=${expected//NOTICE/(通知 )?}
  case $kind in
    step) step "$what" ;;
    walk | act)
      # shellcheck disable=SC2086  # one key a word
      $kind $keys
      check "$what" says "$expected"
      # A result is said once: not by an announcement and again by the control it changed.
      if [ "$kind" = act ]; then
        quiet
        check "$what, once ($(heard))" heard_once "$expected"
      fi
      ;;
    focus) check "$what" wait_for 5 focus_on "${!expected}" ;;
    test) check "$what" wait_for 5 eval "$expected" ;;
  esac
done 3<<<"$WALK"
echo "  keypad at $FIRST_PLACE, control window at $CONTROL_PLACE" >>"$TRANSCRIPT"

step "F6 to the moon window; 15 s there following the clock"
act F6
check "F6 activates the moon window" says "Moon .*月相"
check "the moon window has the input focus" wait_for 3 focus_on "$MOON"
walk Tab
quiet
check "Tab does not take the focus to the age field" eval '! heard_match "月齢 テキスト"'
# Counted from the end of what was said before.
wait_for 10 eval '[ "$(tail -n1 "$SPEECH_LOG" | cut -d" " -f1)" != START ]'
before=$(grep -c '^START' "$SPEECH_LOG")
sleep 15
spoken=$(($(grep -c '^START' "$SPEECH_LOG") - before))
echo "  $spoken utterances in 15 s" >>"$TRANSCRIPT"
check "at most 3 utterances in 15 s with the moon window focused ($spoken)" test "$spoken" -le 3

step "The menu from the keyboard"
act shift+F10
check "Shift+F10 opens the menu with its first item active" says "ｺﾝﾄﾛｰﾙﾌｫｰﾑの表示"
act Escape
check "Escape closes it, back on the moon window" wait_for 3 focus_on "$MOON"

step "F6 back, and the desktop entry's action"
act F6
check "F6 activates the control window" says "Selvane"
check "the control window has the input focus" wait_for 3 focus_on "$CONTROL"
# Both windows closed: the desktop entry's action is the way back.
walk alt+F4
check "the control window closes" wait_for 5 eval '[ -z "$(window_id "$CONTROL")" ]'
xdotool windowactivate "$(window_id "$MOON")" 2>/dev/null
wait_for 5 focus_on "$MOON"
walk alt+F4
check "the moon window closes" wait_for 5 eval '[ -z "$(window_id "$MOON")" ]'
quiet
mark
read -r -a action < <(sed -n '/^\[Desktop Action show-windows\]/,/^\[/ s/^Exec=//p' "$DESKTOP_FILE")
check "the desktop entry's action runs the program" test "${action[0]:-}" = selvane
"${JA[@]}" "$APP" "${action[@]:1}" >>"$E2E_DIR/app.log" 2>&1
check "the action shows both windows again" \
  wait_for 5 eval '[ -n "$(window_id "$CONTROL")" ] && [ -n "$(window_id "$MOON")" ]'
check "one of them has the input focus" \
  wait_for 5 eval 'focus_on "$MOON" || focus_on "$CONTROL"'
check "and Orca names it" wait_for 5 heard_match "Moon |Selvane"
echo "  $(heard)" >>"$TRANSCRIPT"
cat "$TRANSCRIPT"
echo "orca: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
