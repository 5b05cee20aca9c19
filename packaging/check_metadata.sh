#!/bin/sh
# The desktop entry as menus read it, with not even a hint (desktop), or the AppStream file as
# software centres read it, with nothing above information, pedantic and without the network
# (appstream). The program has no web page: AppStream 1.0 warns that the homepage is missing,
# and that one warning passes rather than an address that does not exist.
set -u
mode=$1 file=$2
if [ "$mode" = desktop ]; then
  out=$(desktop-file-validate "$file" 2>&1) && [ -z "$out" ] && exit 0
  printf '%s\n' "$out"
  exit 1
fi
out=$(appstreamcli validate --pedantic --no-net "$file" 2>&1)
status=$?
printf '%s\n' "$out"
if printf '%s\n' "$out" | grep -E '^[EWP]:' | grep -qv ' url-homepage-missing$'; then exit 1; fi
[ "$status" -eq 0 ] || printf '%s\n' "$out" | grep -q '^W: .* url-homepage-missing$'
