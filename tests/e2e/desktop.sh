#!/usr/bin/env bash
# A headless desktop for the end-to-end tests, with private runtime and configuration folders.
# Source this file, then desktop_up; desktop_down (also run on exit) ends what it started.
# The set-up is chosen with two variables:
#   E2E_SESSION=x11             Xvfb on a free display with the openbox window manager (default)
#   E2E_SESSION=wayland         a headless weston compositor with XWayland (also: weston)
#   E2E_SESSION=weston-x11      weston's X11 backend in a private Xvfb: a seat for input, and
#                               screenshots of what the compositor shows
#   E2E_SESSION=mutter-wayland  mutter as a Wayland compositor, nested in a private Xvfb
#   E2E_SESSION=kwin-wayland    kwin_wayland in a private Xvfb
#   E2E_SESSION=sway            sway, headless (as an unprivileged user when run as root: sway
#                               refuses root; it then lets root's X clients into its XWayland)
#   On a Wayland session the program picks its platform itself (QT_QPA_PLATFORM unset), as in a
#   user's session: DISPLAY is the compositor's XWayland, WAYLAND_DISPLAY its socket; each
#   compositor has a session bus of its own.
#   E2E_TRAY=trayer      the stand-alone XEmbed system tray (default on x11)
#   E2E_TRAY=sni         xfce4-panel hosting StatusNotifierItems over a private D-Bus session bus
#   E2E_TRAY=watcher     a StatusNotifierWatcher without a panel (sni_watcher.py) on the session
#                        bus: the menu is reached over D-Bus, on any session and platform
#   E2E_TRAY=none        no notification area at all (default on Wayland; E2E_NO_TRAY=1 too)
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
  if [ "$E2E_SESSION" = x11 ]; then E2E_TRAY=${E2E_TRAY:-trayer}; else E2E_TRAY=${E2E_TRAY:-none}; fi
  export E2E_SESSION E2E_TRAY
  unset WAYLAND_DISPLAY XDG_SESSION_TYPE XAUTHORITY
  trap desktop_down EXIT
  E2E_WM=${E2E_WM:-openbox}
  export E2E_WM
  if [ "$E2E_TRAY" = sni ] || [ "$E2E_TRAY" = watcher ] || [ "$E2E_SESSION" != x11 ] || wm_wants_bus; then
    # A session bus of our own: Qt registers the icon with the watcher on it; window managers
    # and compositors keep their services there.
    dbus-daemon --session --nofork --print-address=9 9>"$E2E_DIR/bus" >"$E2E_DIR/bus.log" 2>&1 &
    BUS_PID=$!
    for _ in $(seq 200); do [ -s "$E2E_DIR/bus" ] && break; sleep 0.05; done
    export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$E2E_DIR/bus")"
  else
    export DBUS_SESSION_BUS_ADDRESS=disabled:
  fi
  if [ "$E2E_SESSION" = x11 ]; then
    export QT_QPA_PLATFORM=xcb
    start_xvfb
    start_wm
  else
    unset QT_QPA_PLATFORM
    start_compositor || return 1
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
    watcher)
      /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/sni_watcher.py" >"$E2E_DIR/watcher.log" 2>&1 &
      TRAY_PID=$!
      wait_for 10 gdbus introspect --session --dest org.kde.StatusNotifierWatcher \
        --object-path /StatusNotifierWatcher
      ;;
  esac
  return 0
}

# Xvfb on a free display: the desktop's own display (x11), or the one a nested compositor
# draws into. Its number goes to DISPLAY.
start_xvfb() {
  # shellcheck disable=SC2086  # extra arguments, e.g. -retro for a patterned root window
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset ${E2E_XVFB_ARGS:-} 9>"$E2E_DIR/display" \
    >"$E2E_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 200); do [ -s "$E2E_DIR/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$E2E_DIR/display")"
}

# The Wayland compositor of E2E_SESSION with XWayland. Each one starts a small child inside the
# session, which writes the session's environment (DISPLAY, XAUTHORITY) to a file and stays
# until the end (mutter ends with it); weston names its XWayland display in its log instead.
start_compositor() {
  local child_env="$E2E_DIR/session.env" socket=wayland-e2e home="$E2E_DIR/home"
  local child="echo \$\$ >'$E2E_DIR/session.pid'; env >'$child_env.new'; mv '$child_env.new' '$child_env'; exec sleep 86400"
  local cmd=() as_user=()
  mkdir -p "$home"
  unset DISPLAY
  # XWayland's sockets: weston fails to start XWayland where nothing has made the folder yet
  # (an X server makes it; a machine that never ran one has none).
  mkdir -m 1777 /tmp/.X11-unix 2>/dev/null || true
  case "$E2E_SESSION" in
    wayland | weston)
      cmd=(weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 --xwayland
        --socket="$socket" --idle-time=0 --debug) ;;
    weston-x11)
      start_xvfb
      cmd=(weston --backend=x11-backend.so --use-pixman --width=1280 --height=1024 --xwayland
        --socket="$socket" --idle-time=0) ;;
    mutter-wayland)
      start_xvfb
      cmd=(env MUTTER_DEBUG_DUMMY_MODE_SPECS=1280x1024 XDG_CURRENT_DESKTOP=GNOME
        mutter --wayland --nested --wayland-display "$socket" -- sh -c "$child") ;;
    kwin-wayland)
      start_xvfb
      local kwin
      kwin=$(command -v kwin_wayland)
      # Its file capability is refused in some containers (EPERM): a copy carries none.
      if ! "$kwin" --help >/dev/null 2>&1; then
        cp "$kwin" "$E2E_DIR/kwin_wayland"
        kwin="$E2E_DIR/kwin_wayland"
      fi
      cmd=(env XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
        "$kwin" --x11-display "$DISPLAY" --xwayland --width 1280 --height 1024
        --socket "$socket" "sh -c \"$child\"") ;;
    sway)
      # sway refuses root: as root, it runs as nobody with a runtime folder of that user, and
      # lets root's X clients (the program, xdotool) into its XWayland.
      home="$E2E_DIR/sway-runtime"
      mkdir -m 700 "$home"
      local allow=""
      if [ "$(id -u)" = 0 ]; then
        chmod 711 "$E2E_DIR"
        chown 65534:65534 "$home"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
        allow="xhost +SI:localuser:root >/dev/null; "
      fi
      child_env="$home/session.env"
      printf '%s\n' 'xwayland force' 'output HEADLESS-1 mode 1280x1024' \
        "exec sh -c '${allow}env >$child_env.new; mv $child_env.new $child_env'" >"$E2E_DIR/sway.conf"
      cmd=(env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
        XDG_RUNTIME_DIR="$home" sway -c "$E2E_DIR/sway.conf")
      socket="$home/wayland-1" ;;
    *)
      echo "unknown session $E2E_SESSION" >&2
      return 1 ;;
  esac
  E2E_HOST_DISPLAY=${DISPLAY:-}
  (unset XDG_CONFIG_HOME; HOME=$home exec "${as_user[@]}" "${cmd[@]}") \
    >"$E2E_DIR/compositor.log" 2>&1 &
  WM_PID=$!
  local n=""
  for _ in $(seq 300); do
    if [ -s "$child_env" ]; then
      n=$(sed -n 's/^DISPLAY=//p' "$child_env")
      local auth
      auth=$(sed -n 's/^XAUTHORITY=//p' "$child_env")
      [ -n "$auth" ] && export XAUTHORITY="$auth"
      [ -n "$(sed -n 's/^WAYLAND_DISPLAY=//p' "$child_env")" ] || n=""
    elif [[ "$E2E_SESSION" == weston* || "$E2E_SESSION" == wayland ]]; then
      n=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$E2E_DIR/compositor.log" | head -n1)
    fi
    [ -n "$n" ] && break
    sleep 0.05
  done
  [ -f "$E2E_DIR/session.pid" ] && SESSION_CHILD_PID=$(cat "$E2E_DIR/session.pid")
  [[ "$socket" == /* ]] || socket="$XDG_RUNTIME_DIR/$socket"
  wait_for 10 test -S "$socket"
  export DISPLAY="$n" WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland E2E_HOST_DISPLAY
  # XWayland starts on the first X client; its window manager then claims the screen.
  if ! wait_for 15 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
    echo "the $E2E_SESSION session did not come up; its log:" >&2
    tail -n 20 "$E2E_DIR/compositor.log" >&2
    return 1
  fi
}

# A screenshot of the whole screen as the user sees it, as a PNG file: from the X server of an
# X11 desktop or of a nested compositor, or from the compositor itself.
screenshot() {
  local file=$1
  case "$E2E_SESSION" in
    x11) import -window root "$file" ;;
    wayland | weston)
      (cd "$E2E_DIR" && rm -f wayland-screenshot-*.png && weston-screenshooter &&
        mv wayland-screenshot-*.png "$file") ;;
    sway)
      local home="$E2E_DIR/sway-runtime" as_user=()
      [ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
      "${as_user[@]}" env XDG_RUNTIME_DIR="$home" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" \
        grim "$home/shot.png" && cp "$home/shot.png" "$file" ;;
    *) DISPLAY=$E2E_HOST_DISPLAY import -window root "$file" ;;
  esac
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
  local p all="${APP_PID:-} ${TRAY_PID:-} ${SESSION_CHILD_PID:-} ${WM_PID:-} ${XVFB_PID:-} ${BUS_PID:-}"
  for p in $all; do kill "$p" 2>/dev/null || true; done
  for p in $all; do
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

# The first window of the program (its WM_CLASS) whose name matches a pattern (exact with
# ^...$): program_window [--onlyvisible] PATTERN. mutter has its frames drawn by a client of its
# own, whose toplevel windows carry the names of the windows they frame.
program_window() {
  local w
  for w in $(xdotool search "${@:1:$#-1}" --name "${!#}" 2>/dev/null); do
    xprop -id "$w" WM_CLASS 2>/dev/null | grep -q '= "selvane", "Selvane"$' && echo "$w" && return 0
  done
  return 0
}
# The same, visible only.
window_id() { program_window --onlyvisible "$1"; }
