#!/usr/bin/env bash
# Builds everything, runs every test, then builds the Debian package and
# checks what is in it (scripts/package.sh). Then builds the same tests once
# more in a second folder under AddressSanitizer and UndefinedBehaviorSanitizer
# and runs them there, and, when clang is installed, gives each fuzz target a
# short run (scripts/fuzz.sh). Installs what it needs on Debian.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
# Each stage says how long it took, so a slow run shows where its time went.
stage_start=$SECONDS
stage() {
    echo "test.sh: $1 took $((SECONDS - stage_start)) s" >&2
    stage_start=$SECONDS
}
build=${BUILD_DIR:-build}
# Hardened as the package is built, so that the package comes from this tree.
# Both trees keep line tables only (-g1): file and line in every backtrace and
# sanitizer report, at a fraction of the compile and link time of full
# debug information.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORAN_HARDENING=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
cmake --build "$build" -j"$(nproc)"
stage "the build"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300)
stage "the tests"
PACKAGE_BUILD_DIR="$build" scripts/package.sh
stage "the package"

# Sanitizers: any finding (leaks included) ends the test program with a
# report and fails the run. A sanitized program is slow to start, so each
# test program runs all its cases in one go there.
asan=${ASAN_BUILD_DIR:-build-asan}
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
    -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVORAN_TEST_PER_PROGRAM=ON >/dev/null
cmake --build "$asan" -j"$(nproc)"
stage "the sanitizer build"
(cd "$asan" && QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)" --timeout 600)
stage "the sanitizer tests"

if command -v clang++ >/dev/null; then
    FUZZ_JOBS=${FUZZ_JOBS:-$(nproc)} scripts/fuzz.sh "${FUZZ_SECONDS:-5}"
    stage "the fuzz run"
fi
