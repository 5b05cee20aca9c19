#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Selvane.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
# Only the two programs: the tests, half of the build, are for tools/test.sh.
tools/build.sh selvane selvane-phase
if [ -x build/app/selvane ]; then
  exec build/app/selvane "$@"
fi
exec build/app/selvane-phase "$@"
