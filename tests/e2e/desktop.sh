#!/usr/bin/env bash
# A headless desktop for the end-to-end tests, with private runtime and configuration folders.
# Source this file, then desktop_up; desktop_down (also run on exit) ends what it started.
# The set-up is chosen with two variables:
#   E2E_SESSION=x11      Xvfb on a free display with the openbox window manager (default)
#   E2E_SESSION=wayland  a headless weston compositor with XWayland; the program picks its
#                        platform itself (QT_QPA_PLATFORM unset), as in a user's Wayland session
#   E2E_TRAY=trayer      the stand-alone XEmbed system tray (default on x11)
#   E2E_TRAY=sni         xfce4-panel hosting StatusNotifierItems over a private D-Bus session bus
#   E2E_TRAY=none        no notification area at all (default on wayland; E2E_NO_TRAY=1 too)
#   E2E_TRAY=own         the window manager's own notification area (icewm, fluxbox)
#   E2E_WM=openbox       the X11 window manager (default): openbox, xfwm4, mutter, kwin_x11,
#                        marco, metacity, icewm or fluxbox, each as its desktop starts it

# One check of a scenario: counted in passed or failed, a failure named on standard error.
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

desktop_up() {
  E2E_DIR=$(mktemp -d)
  mkdir -m 700 "$E2E_DIR/runtime" "$E2E_DIR/config"
  export XDG_RUNTIME_DIR="$E2E_DIR/runtime" XDG_CONFIG_HOME="$E2E_DIR/config"
  E2E_SESSION=${E2E_SESSION:-x11}
  if [ -n "${E2E_NO_TRAY:-}" ]; then E2E_TRAY=none; fi
  if [ "$E2E_SESSION" = wayland ]; then E2E_TRAY=${E2E_TRAY:-none}; else E2E_TRAY=${E2E_TRAY:-trayer}; fi
  export E2E_SESSION E2E_TRAY
  unset WAYLAND_DISPLAY XDG_SESSION_TYPE
  trap desktop_down EXIT
  E2E_WM=${E2E_WM:-openbox}
  export E2E_WM
  if [ "$E2E_TRAY" = sni ] || wm_wants_bus; then
    # A session bus of our own: Qt registers the icon with the panel's watcher on it.
    dbus-daemon --session --nofork --print-address=9 9>"$E2E_DIR/bus" >"$E2E_DIR/bus.log" 2>&1 &
    BUS_PID=$!
    for _ in $(seq 200); do [ -s "$E2E_DIR/bus" ] && break; sleep 0.05; done
    export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$E2E_DIR/bus")"
  else
    export DBUS_SESSION_BUS_ADDRESS=disabled:
  fi
  if [ "$E2E_SESSION" = wayland ]; then
    unset QT_QPA_PLATFORM
    weston --backend=headless-backend.so --width=1280 --height=1024 --xwayland \
      --socket=wayland-e2e --idle-time=0 >"$E2E_DIR/weston.log" 2>&1 &
    XVFB_PID=$!
    local n=""
    for _ in $(seq 200); do
      n=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$E2E_DIR/weston.log" | head -n1)
      [ -n "$n" ] && [ -S "$XDG_RUNTIME_DIR/wayland-e2e" ] && break
      sleep 0.05
    done
    export DISPLAY="$n" WAYLAND_DISPLAY=wayland-e2e XDG_SESSION_TYPE=wayland
    # XWayland starts on the first X client.
    wait_for 10 xprop -root _NET_SUPPORTING_WM_CHECK
  else
    export QT_QPA_PLATFORM=xcb
    # shellcheck disable=SC2086  # extra arguments, e.g. -retro for a patterned root window
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset ${E2E_XVFB_ARGS:-} 9>"$E2E_DIR/display" \
      >"$E2E_DIR/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 200); do [ -s "$E2E_DIR/display" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$E2E_DIR/display")"
    start_wm
  fi
  case "$E2E_TRAY" in
    trayer) start_trayer ;;
    sni)
      mkdir -p "$E2E_DIR/panel-home"
      HOME="$E2E_DIR/panel-home" xfce4-panel --disable-wm-check >"$E2E_DIR/panel.log" 2>&1 &
      TRAY_PID=$!
      wait_for 20 gdbus introspect --session --dest org.kde.StatusNotifierWatcher \
        --object-path /StatusNotifierWatcher
      ;;
  esac
  return 0
}

# The window managers of the big desktops that want a session bus.
wm_wants_bus() {
  [ "$E2E_SESSION" = x11 ] && case "$E2E_WM" in xfwm4 | mutter | kwin_x11 | marco | metacity) true ;; *) false ;; esac
}

# Starts the window manager as its desktop does, with a home of its own (where it keeps its
# settings), and waits until it has taken the screen.
start_wm() {
  local home="$E2E_DIR/wm-home"
  mkdir -p "$home"
  local cmd
  case "$E2E_WM" in
    openbox) cmd=(openbox --sm-disable) ;;
    xfwm4) cmd=(xfwm4 --sm-client-disable) ;;
    mutter) cmd=(env XDG_CURRENT_DESKTOP=GNOME mutter --x11 --replace --sm-disable) ;;
    kwin_x11)
      cmd=(env XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 kwin_x11 --replace)
      ;;
    marco) cmd=(env XDG_CURRENT_DESKTOP=MATE marco --replace --sm-disable) ;;
    metacity) cmd=(metacity --replace --sm-disable) ;;
    icewm) cmd=(icewm) ;;
    fluxbox) cmd=(fluxbox) ;;
    *)
      echo "unknown window manager $E2E_WM" >&2
      return 1
      ;;
  esac
  HOME="$home" XDG_CONFIG_HOME="$home/.config" "${cmd[@]}" >"$E2E_DIR/$E2E_WM.log" 2>&1 &
  WM_PID=$!
  for _ in $(seq 400); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  # The desktops' managers go on setting up (decorations, compositing) after they took the
  # screen; a window mapped meanwhile may be framed twice.
  [ "$E2E_WM" = openbox ] || sleep 2
}

start_trayer() {
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --transparent false --tint 0xffffff --expand false >"$E2E_DIR/trayer.log" 2>&1 &
  TRAY_PID=$!
}

desktop_down() {
  local p
  for p in ${APP_PID:-} ${TRAY_PID:-} ${WM_PID:-} ${XVFB_PID:-} ${BUS_PID:-}; do kill "$p" 2>/dev/null || true; done
  for p in ${APP_PID:-} ${TRAY_PID:-} ${WM_PID:-} ${XVFB_PID:-} ${BUS_PID:-}; do
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  if [ -n "${E2E_KEEP:-}" ] && [ -n "${E2E_DIR:-}" ]; then
    mkdir -p "$E2E_KEEP" && cp -r "$E2E_DIR"/*.png "$E2E_DIR"/*.log "$E2E_KEEP"/ 2>/dev/null || true
  fi
  [ -n "${E2E_DIR:-}" ] && rm -rf "$E2E_DIR"
  return 0
}

# Waits until a command succeeds, polling every 50 ms; fails after $1 seconds of the clock (a
# slow command on a loaded machine does not stretch the wait).
wait_for() {
  local seconds=$1
  shift
  local now=${EPOCHREALTIME/[.,]/}
  local end=$((now + seconds * 1000000))
  while true; do
    "$@" >/dev/null 2>&1 && return 0
    now=${EPOCHREALTIME/[.,]/}
    [ "$now" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# The id of a window whose name matches a pattern (exact with ^...$), visible only.
window_id() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
