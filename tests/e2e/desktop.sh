#!/usr/bin/env bash
# A headless desktop for the end-to-end tests: Xvfb on a free display, openbox, and the
# stand-alone tray trayer; private runtime and configuration folders. Source this file.

desktop_up() {
  E2E_DIR=$(mktemp -d)
  mkdir -m 700 "$E2E_DIR/runtime" "$E2E_DIR/config"
  export XDG_RUNTIME_DIR="$E2E_DIR/runtime" XDG_CONFIG_HOME="$E2E_DIR/config"
  export DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY XDG_SESSION_TYPE
  # shellcheck disable=SC2086  # extra arguments, e.g. -retro for a patterned root window
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset ${E2E_XVFB_ARGS:-} 9>"$E2E_DIR/display" \
    >"$E2E_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 200); do [ -s "$E2E_DIR/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$E2E_DIR/display")"
  openbox --sm-disable >"$E2E_DIR/openbox.log" 2>&1 &
  WM_PID=$!
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  if [ -n "${E2E_NO_TRAY:-}" ]; then
    trap desktop_down EXIT
    return 0
  fi
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --transparent false --tint 0xffffff --expand false >"$E2E_DIR/trayer.log" 2>&1 &
  TRAY_PID=$!
  trap desktop_down EXIT
}

desktop_down() {
  local p
  for p in ${APP_PID:-} ${TRAY_PID:-} ${WM_PID:-} ${XVFB_PID:-}; do kill "$p" 2>/dev/null || true; done
  for p in ${APP_PID:-} ${TRAY_PID:-} ${WM_PID:-} ${XVFB_PID:-}; do
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

# Waits until a command succeeds, polling every 50 ms; fails after $1 seconds.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 20))
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

# The id of a window whose name matches a pattern (exact with ^...$), visible only.
window_id() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
