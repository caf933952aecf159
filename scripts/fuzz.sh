#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/, libFuzzer) with clang into build-fuzz and
# runs each for SECONDS (default 60), niced, FUZZ_JOBS at a time (default 1);
# FUZZ_TARGETS="link reply" runs only those.
# Each target's corpus grows in build-fuzz/corpus/<target>, seeded from what
# fuzz/seeds and the tests hold; a finding is kept as
# build-fuzz/findings/<target>-crash-<hash> and fails the run. Prints one line
# per target: executions, coverage (edges, features), corpus, findings.
# Reproduce a finding: build-fuzz/bin/fuzz_<target> FILE
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
jobs=${FUZZ_JOBS:-1}
build=${FUZZ_BUILD_DIR:-build-fuzz}
if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ is not installed (apt-get install clang libclang-rt-dev)" >&2
    exit 2
fi
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DVORAN_FUZZ=ON -DVORAN_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target voran_fuzz

mkdir -p "$build/findings" "$build/logs"
targets=${FUZZ_TARGETS:-$(cd "$build/bin" && ls fuzz_* | sed 's/^fuzz_//')}
for t in $targets; do
    mkdir -p "$build/corpus/$t"
    [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/"$t"/* "$build/corpus/$t/" 2>/dev/null || true
done
# The tests' own set-up file as a starting input of the .sdt reader.
if [ -d "$build/corpus/setupfile" ]; then
    tr -d ' \n\r' <tests/data/file/golden-default.hex | xxd -r -p >"$build/corpus/setupfile/golden.sdt"
fi

run() {
    local t=$1 extra=()
    # The link's scripts need room for a few faults from the start.
    [ "$t" = link ] && extra=(-max_len=256 -len_control=10)
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        nice -n 10 "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "${extra[@]}" \
        "$build/corpus/$t" >"$build/logs/$t.log" 2>&1
}

status=0
running=0
declare -A pids
for t in $targets; do
    run "$t" &
    pids[$t]=$!
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
for t in $targets; do
    wait "${pids[$t]}" || status=1
done

printf '%-14s %12s %8s %8s %7s  %s\n' target executions edges features corpus findings
for t in $targets; do
    log="$build/logs/$t.log"
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
    found=$(ls "$build/findings" | grep -c "^$t-" || true)
    printf '%-14s %12s %8s %8s %7s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$found"
    if [ "$found" -gt 0 ]; then
        status=1
        grep -m3 -E 'invariant broken|ERROR: |runtime error' "$log" | sed 's/^/    /' || true
    fi
done
exit $status
