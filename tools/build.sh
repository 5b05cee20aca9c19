#!/usr/bin/env bash
# Configures and builds in build/ (incremental after the first run): the targets given, or the
# program and its tests when none is.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSELVANE_WITH_QT=ON >/dev/null
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build build -j "$(nproc)" "${targets[@]}"
