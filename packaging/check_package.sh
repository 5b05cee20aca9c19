#!/usr/bin/env bash
# Builds the .deb with CPack, installs it into a scratch root, and checks what it put there:
# both programs run from the installed place, the desktop entry, metainfo, icons and manual
# pages are where a desktop looks for them, and the package's dependencies are declared.
set -euo pipefail
BUILD=$1
cd "$BUILD"
rm -rf package
cpack -G DEB >/dev/null
deb=$(ls package/selvane_*.deb | head -n1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
fail=0
need() { [ -e "$root/$1" ] || { echo "missing: /$1"; fail=1; }; }
need usr/bin/selvane
need usr/bin/selvane-phase
need usr/share/applications/org.selvane.Selvane.desktop
need usr/share/metainfo/org.selvane.Selvane.metainfo.xml
for s in 16 22 24 32 48 64 128 256; do need "usr/share/icons/hicolor/${s}x${s}/apps/org.selvane.Selvane.png"; done
need usr/share/icons/hicolor/scalable/apps/org.selvane.Selvane.svg
need usr/share/man/man1/selvane-phase.1
need usr/share/man/man1/selvane.1
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in *libqt6widgets6*) ;; *) echo "Depends lacks Qt: $depends"; fail=1 ;; esac
case "$depends" in *fonts-ipafont-gothic*) ;; *) echo "Depends lacks the fonts: $depends"; fail=1 ;; esac
"$root/usr/bin/selvane-phase" --version | grep -q '^selvane-phase ' || { echo "installed selvane-phase does not run"; fail=1; }
"$root/usr/bin/selvane-phase" 2024 1 1 12 0 0 | grep -q 'Age:' || { echo "installed selvane-phase gives no age"; fail=1; }
# --png runs the picture helper installed beside it, here in the scratch root.
need usr/libexec/selvane/selvane-phase-png
"$root/usr/bin/selvane-phase" --png "$root/moon.png" 2024 1 1 12 0 0 && [ -s "$root/moon.png" ] ||
  { echo "installed selvane-phase draws no picture"; fail=1; }
grep -q '^\.TH SELVANE-PHASE 1' "$root/usr/share/man/man1/selvane-phase.1" || { echo "manual page broken"; fail=1; }
# The same files through cmake --install into a scratch prefix.
prefix="$root/prefix"
cmake --install . --prefix "$prefix" >/dev/null
for f in bin/selvane bin/selvane-phase share/applications/org.selvane.Selvane.desktop \
  share/metainfo/org.selvane.Selvane.metainfo.xml share/icons/hicolor/48x48/apps/org.selvane.Selvane.png; do
  [ -e "$prefix/$f" ] || { echo "cmake --install left out $f"; fail=1; }
done
"$prefix/bin/selvane-phase" --version >/dev/null || { echo "installed selvane-phase does not run"; fail=1; }
[ "$fail" -eq 0 ] && echo "package: $(basename "$deb") checks out"
exit "$fail"
