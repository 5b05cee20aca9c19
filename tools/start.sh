#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Selvane.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
if [ -x build/app/selvane ]; then
  exec build/app/selvane "$@"
fi
exec build/app/selvane-phase "$@"
