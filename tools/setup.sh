#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Selvane need on Debian 12
# (bookworm) or 13 (trixie), and only those that are missing: quick when everything is there
# already. Uses sudo when not root.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkgconf qt6-base-dev libxcb1-dev libxcb-shape0-dev
  # tests, sanitizers, fuzzing, benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev
  # the phase listing read back by real parsers and a calendar program, and compared with an
  # independent ephemeris
  python3-icalendar python3-ephem khal
  # fonts for the Japanese interface
  fonts-ipafont-gothic
  # a headless desktop for the end-to-end tests
  xvfb xauth openbox trayer xdotool x11-utils imagemagick xclip
  # a decimal-comma locale compiled for the number tests (localedef and its sources)
  locales
  # the heap row of tools/resource_figures.sh
  valgrind
  # the accessibility bus and a reader of it, for the screen-reader test
  dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 python3-gi
  # a real screen reader whose speech the Orca test captures
  orca speech-dispatcher
  # a high-density screen (Xft.dpi) for the end-to-end tests, and their picture comparison
  x11-xserver-utils python3
  # the desktops the end-to-end tests also cover: a StatusNotifierItem tray over D-Bus, and
  # Wayland compositors with XWayland (sway's screenshots through grim; kwin draws its frames
  # with the breeze style), the program also as a native Wayland client
  xfce4-panel dbus-x11 libglib2.0-bin weston xwayland mutter kwin-wayland kwin-style-breeze
  sway grim qt6-wayland
  # the window managers of the other desktops, each as its desktop starts it
  xfwm4 kwin-x11 marco mate-settings-daemon-common metacity icewm fluxbox
  # checks of the desktop integration and the packages: the .deb and its checker, the RPM
  # and its checker
  desktop-file-utils appstream dpkg-dev fakeroot file lintian rpm rpmlint
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
