#!/usr/bin/env bash
# Builds everything, runs every test, then builds the Debian package and
# checks what is in it (scripts/package.sh). Installs what it needs on Debian.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300)
BUILD_DIR="$build" scripts/package.sh
