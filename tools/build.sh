#!/usr/bin/env bash
# Configures and builds the program and its tests in build/ (incremental after the first run).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSELVANE_WITH_QT=ON >/dev/null
cmake --build build -j "$(nproc)"
