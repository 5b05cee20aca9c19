#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Selvane need, and only
# those that are missing: quick when everything is there already. Uses sudo when not root.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkgconf qt6-base-dev libxcb1-dev
  # tests, sanitizers, fuzzing, benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # fonts for the Japanese interface
  fonts-ipafont-gothic
  # a headless desktop for the end-to-end tests
  xvfb xauth openbox trayer xdotool x11-utils imagemagick
  # the desktops the end-to-end tests also cover: a StatusNotifierItem tray over D-Bus, and a
  # Wayland session with XWayland
  xfce4-panel dbus-x11 dbus-daemon libglib2.0-bin weston xwayland
  # checks of the desktop integration and the package
  desktop-file-utils appstream dpkg-dev fakeroot
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
