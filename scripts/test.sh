#!/usr/bin/env bash
# Builds the package's programs hardened, as the package is built, packs them
# and checks what is in the package (scripts/package.sh). Then builds every
# test under AddressSanitizer and UndefinedBehaviorSanitizer and runs them
# all there, and, when clang is installed, gives each fuzz target a short run
# (scripts/fuzz.sh). Installs what it needs on Debian.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
# Each stage says how long it took, so a slow run shows where its time went.
stage_start=$SECONDS
stage() {
    echo "test.sh: $1 took $((SECONDS - stage_start)) s" >&2
    stage_start=$SECONDS
}
# The compiler cache (where installed) keys on paths relative to the tree,
# so that every clone of it shares one cache, and takes the headers a
# compile read from the compiler's own list instead of preprocessing each
# file a second time on a miss.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true CCACHE_DEPEND=true \
    CCACHE_SLOPPINESS=pch_defines,time_macros

# The package's programs only: the tests are built once, below. Line tables
# only (-g1), in both trees: file and line in every backtrace and sanitizer
# report, at a fraction of the compile and link time of full debug
# information.
package=${PACKAGE_BUILD_DIR:-build-package}
cmake -S . -B "$package" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORAN_HARDENING=ON \
    -DVORAN_TESTS=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
PACKAGE_BUILD_DIR="$package" scripts/package.sh
stage "the package (its programs built, packed and checked)"

# Every test, under the sanitizers: any finding (leaks included) ends the
# test program with a report and fails the run. A sanitized program is slow
# to start, so each test program runs all its cases in one go.
asan=${ASAN_BUILD_DIR:-build-asan}
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
    -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVORAN_TEST_PER_PROGRAM=ON >/dev/null
cmake --build "$asan" -j"$(nproc)"
stage "the sanitized build"
(cd "$asan" && QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)" --timeout 600)
stage "the sanitized tests"

if command -v clang++ >/dev/null; then
    FUZZ_JOBS=${FUZZ_JOBS:-$(nproc)} scripts/fuzz.sh "${FUZZ_SECONDS:-5}"
    stage "the fuzz run"
fi
