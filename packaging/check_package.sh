#!/usr/bin/env bash
# Builds the .deb (and the RPM where rpmbuild is installed) with CPack and checks them as a
# distribution's packager would: lintian finds no error, no warning and no missing hardening;
# rpmlint (where installed) no error the package could mend; every installed ELF file is
# stripped and has no RUNPATH; both packages hold the same files and ask for Qt and a Japanese
# font; both programs run from the unpacked package, and cmake --install installs the same.
set -euo pipefail
BUILD=$1
cd "$BUILD"
rm -rf package
cpack -G DEB >/dev/null
deb=$(ls package/selvane_*.deb | head -n1)
root=$(mktemp -d)
picture=$(mktemp --suffix=.png)
trap 'rm -rf "$root" "$picture"' EXIT
dpkg-deb -x "$deb" "$root"
fail=0
bad() { echo "$*"; fail=1; }
need() { [ -e "$root/$1" ] || bad "missing: /$1"; }
# Whether standard input has a line matching the first pattern but not the second.
has() { awk -v want="$1" -v except="$2" '$0 ~ want && $0 !~ except { found = 1 } END { exit !found }'; }
need usr/bin/selvane
need usr/bin/selvane-phase
need usr/share/applications/org.selvane.Selvane.desktop
need usr/share/metainfo/org.selvane.selvane.metainfo.xml
for s in 16 22 24 32 48 64 128 256; do need "usr/share/icons/hicolor/${s}x${s}/apps/org.selvane.Selvane.png"; done
need usr/share/icons/hicolor/scalable/apps/org.selvane.Selvane.svg
need usr/share/man/man1/selvane-phase.1.gz
need usr/share/man/man1/selvane.1.gz
need usr/share/doc/selvane/copyright
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in *libqt6widgets6*) ;; *) bad "Depends lacks Qt: $depends" ;; esac
case "$depends" in *fonts-ipafont-gothic*) ;; *) bad "Depends lacks the fonts: $depends" ;; esac
version=$(dpkg-deb -f "$deb" Version)
[ "$(zcat "$root/usr/share/doc/selvane/changelog.gz" | head -n1)" = "selvane ($version) unstable; urgency=medium" ] ||
  bad "the changelog's latest entry is not $version"
"$root/usr/bin/selvane-phase" --version | grep -q '^selvane-phase ' || bad "installed selvane-phase does not run"
"$root/usr/bin/selvane-phase" 2024 1 1 12 0 0 | grep -q 'Age:' || bad "installed selvane-phase gives no age"
# --png runs the picture helper installed beside it, here in the scratch root.
need usr/libexec/selvane/selvane-phase-png
"$root/usr/bin/selvane-phase" --png "$picture" 2024 1 1 12 0 0 && [ -s "$picture" ] ||
  bad "installed selvane-phase draws no picture"
grep -q '^\.TH SELVANE-PHASE 1' <<<"$(zcat "$root/usr/share/man/man1/selvane-phase.1.gz")" ||
  bad "manual page broken"

# Every program or library installed: stripped, and no RUNPATH (the system's libraries only).
while IFS= read -r -d '' f; do
  [[ $(file -b "$f") == ELF* ]] || continue
  if grep -qE ' \.(symtab|debug_[a-z]+) ' <<<"$(readelf -S -W "$f")"; then bad "not stripped: ${f#"$root"}"; fi
  if grep -qE '\((RUNPATH|RPATH)\)' <<<"$(readelf -d "$f")"; then bad "RUNPATH in ${f#"$root"}"; fi
done < <(find "$root" -type f -print0)

# Debian's checker: no error, no warning, and every hardening feature present. (Fortified
# calls show only where a size is unknown when compiling: where the programs have no such
# call, lintian finds none and says so, but as information, not a warning.) The program has no
# web page: AppStream 1.0 (Debian 13) warns that the metainfo names no homepage, and lintian
# passes that on as appstream-metadata-validation-failed, which passes here when it is all.
if ! command -v lintian >/dev/null; then
  bad "lintian is not installed"
elif ! out=$(lintian --display-info --fail-on error,warning "$deb" 2>&1); then
  if has '^[EW]: ' ' appstream-metadata-validation-failed ' <<<"$out" ||
    has '^ *[EW]: ' ' url-homepage-missing$' <<<"$(appstreamcli validate-tree --no-net "$root" 2>&1)"; then
    bad "lintian: $out"
  fi
fi
if has 'hardening-' 'hardening-no-fortify-functions' <<<"${out:-}"; then
  bad "lintian: $out"
fi

# The RPM: the project's metadata, the same files, only its own directories.
if command -v rpmbuild >/dev/null; then
  cpack -G RPM >/dev/null
  rpm=$(ls package/selvane-*.rpm | head -n1)
  q() { rpm -qp --qf "$1" "$rpm"; }
  [ "$(q '%{LICENSE}|%{VENDOR}|%{PACKAGER}')" = "MIT|The Selvane developers|$(dpkg-deb -f "$deb" Maintainer)" ] ||
    bad "RPM metadata: $(q '%{LICENSE}|%{VENDOR}|%{PACKAGER}')"
  [ "$(q '%{DESCRIPTION}')" = "$(dpkg-deb -f "$deb" Description | sed '1d; s/^ //; s/^\.$//')" ] ||
    bad "RPM description differs: $(q '%{DESCRIPTION}')"
  requires=$(rpm -qp --requires "$rpm")
  grep -qx 'font(:lang=ja)' <<<"$requires" || bad "RPM does not require a Japanese font"
  grep -q '^libQt6Widgets\.so\.6' <<<"$requires" || bad "RPM does not require Qt: $requires"
  entries=$(q '[%{FILEMODES:perms} %{FILENAMES}\n]')
  shared=$(awk '$1 ~ /^d/ && $2 !~ /\/selvane$/ { print $2 }' <<<"$entries")
  [ -z "$shared" ] && [ -n "$entries" ] || bad "RPM owns shared directories: $shared"
  diff <(awk '$1 !~ /^d/ { print $2 }' <<<"$entries" | sort) \
    <(cd "$root" && find . ! -type d | sed 's/^\.//' | sort) || bad "RPM and .deb files differ"
  if command -v rpmlint >/dev/null; then
    # A missing signature is the distributor's to add, not the package's.
    lint=$(rpmlint "$rpm" 2>&1 || true)
    if has ': E: ' ': E: no-signature' <<<"$lint"; then bad "rpmlint: $lint"; fi
  fi
else
  echo "rpmbuild is not installed: no RPM checked"
fi

# The same files through cmake --install into a scratch prefix.
prefix="$root/prefix"
cmake --install . --prefix "$prefix" >/dev/null
for f in bin/selvane bin/selvane-phase share/applications/org.selvane.Selvane.desktop \
  share/metainfo/org.selvane.selvane.metainfo.xml share/icons/hicolor/48x48/apps/org.selvane.Selvane.png; do
  [ -e "$prefix/$f" ] || bad "cmake --install left out $f"
done
"$prefix/bin/selvane-phase" --version >/dev/null || bad "installed selvane-phase does not run"
[ "$fail" -eq 0 ] && echo "package: $(basename "$deb") checks out"
exit "$fail"
