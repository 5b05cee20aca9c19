#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the unit, window and end-to-end tests,
# then the core tests again under AddressSanitizer and UndefinedBehaviorSanitizer together
# with a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The program without the X11 requests through xcb must still build and link.
cmake -S . -B build-noxcb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSELVANE_WITH_XCB=OFF \
  -DBUILD_TESTING=OFF -DSELVANE_BENCH=OFF >/dev/null
cmake --build build-noxcb -j "$(nproc)" --target selvane

# The window-independent core, built with clang under the sanitizers, and the fuzzer.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSELVANE_WITH_QT=OFF -DSELVANE_SANITIZE=ON -DSELVANE_FUZZ=ON -DSELVANE_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
