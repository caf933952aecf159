#!/usr/bin/env bash
# Soak: voran-cli upload and download against k900-sim over a real
# pseudo-terminal under each line fault, and a table of the outcomes.
#
#   scripts/soak.sh [--quick] [RUNS]     (RUNS per fault and direction, default 2)
#
# Needs the programs of build/ (BUILD_DIR). Not part of the test command: a
# full soak takes about a quarter of an hour, --quick (one run of a few
# faults) a few minutes.
#
# Every run starts a fresh board from presets/demo.preset. Outcomes:
#   exact   upload: exit 0 and the file holds what a clean line gives from the
#           same board (every byte but the date stamp);
#           download: exit 0 and the board, read back, holds the file's data
#   failed  exit 1 and nothing written: an upload leaves the earlier file
#           byte for byte; a download does not say "downloaded"
#   wrong   anything else that finished: a wrong value, a failure reported as
#           success, a file touched by a failed upload
#   hung    no end within the time limit (killed); also a download that
#           succeeded but whose result could not be read back
# Drops run through the whole transfer; late replies come for 3 s of it
# (SIGRTMIN), silence for 1.5 or 4 s (SIGUSR1).
# The wrong column must stay 0. Details of every run that is not exact or
# failed go to the log named at the end.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
quick=0
if [ "${1:-}" = "--quick" ]; then
    quick=1
    shift
fi
runs=${1:-$([ $quick = 1 ] && echo 1 || echo 2)}
bin=$root/${BUILD_DIR:-build}/bin
for p in voran-cli k900-sim; do
    [ -x "$bin/$p" ] || { echo "soak.sh: $bin/$p missing: build first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/voran-soak.XXXXXX)
log=$work/soak.log
cp "$bin/voran-cli" "$work/"
cli() { (cd "$work" && timeout "${limit:-150}" ./voran-cli --port 41 "$@"); }
sim_pid=""

start_sim() {  # start_sim PORT PRESET ARGS...: a fresh board linked as COM<PORT>
    local port=$1 preset=$2
    shift 2
    rm -f "$work/Support/COM$port"
    "$bin/k900-sim" --folder "$work" --port "$port" --preset "$preset" --still "$@" \
        >"$work/sim.out" 2>>"$log" &
    sim_pid=$!
    for _ in $(seq 50); do
        grep -q '^link ' "$work/sim.out" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "soak.sh: k900-sim did not start" >&2
    exit 2
}
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
        sim_pid=""
    fi
}
trap 'stop_sim; rm -rf "$work"' EXIT

# The stamp is the 8 bytes after the version text; everything else counts.
without_stamp() {
    local len
    len=$(od -An -tu2 -N2 "$1" | tr -d ' ')
    head -c $((2 + len)) "$1"
    tail -c +$((2 + len + 9)) "$1"
}
same_data() { cmp -s <(without_stamp "$1") <(without_stamp "$2"); }
# Writes a little-endian 16-bit VALUE at OFFSET from the end of FILE.
poke16() {
    local file=$1 from_end=$2 value=$3 size
    size=$(stat -c %s "$file")
    printf "\\x$(printf %02x $((value & 255)))\\x$(printf %02x $((value >> 8)))" |
        dd of="$file" bs=1 seek=$((size - from_end)) conv=notrunc status=none
}

# --- The data: the board's own (clean upload), and other data to download ---
preset=$root/presets/demo.preset
awk '/^[[:space:]]*(#|$)/ { print; next }
     { a = $1; v = $2
       if (a ~ /\./ || a ~ /^[Ff]/) v = 1 - v
       else if (a ~ /^[Bb]/) v = (v + 7) % 256
       else if (a ~ /^[Ww]/) v = (v + 7) % 65536
       else v = v + 7
       print a, v }' "$preset" >"$work/other.preset"
start_sim 41 "$preset"
cli upload reference.sdt >/dev/null 2>>"$log" || { echo "soak.sh: clean upload failed" >&2; exit 1; }
stop_sim
start_sim 41 "$work/other.preset"
cli upload other.sdt >/dev/null 2>>"$log" || { echo "soak.sh: clean upload failed" >&2; exit 1; }
stop_sim
# The PLS part differs too: scale factor 400, channel 3 at 100/200 (tail of
# the record: count, scale, offset, program, 8 speed comp, 8 ON, 8 OFF; a
# download does not set the resolver offset).
poke16 "$work/other.sdt" 54 400
poke16 "$work/other.sdt" $((32 - 2 * 2)) 100
poke16 "$work/other.sdt" $((16 - 2 * 2)) 200
# On a clean line the download of it reads back exactly.
start_sim 41 "$preset"
cli download other.sdt >/dev/null 2>>"$log" && cli upload back.sdt >/dev/null 2>>"$log" &&
    same_data "$work/other.sdt" "$work/back.sdt" ||
    { echo "soak.sh: a clean download does not read back exactly" >&2; exit 1; }
stop_sim

# --- One run ------------------------------------------------------------------
# What happens to the board during the run besides its start options, set by
# the fault loop below: "silence:AT:FOR" (SIGUSR1 at AT s, again FOR s later),
# "faults:AT:FOR" (the line faults of the start options, off from the start,
# on at AT s for FOR s: SIGRTMIN) or "kill:AT" (SIGKILL at AT s).
during=""
run_one() {  # run_one upload|download SIMARGS...
    local dir=$1 faults_on=1
    shift
    start_sim 41 "$preset" "$@"
    if [ "${during%%:*}" = faults ]; then
        kill -s RTMIN "$sim_pid"
        faults_on=0
    fi
    rm -f "$work/out.txt" "$work/err.txt"
    if [ "$dir" = upload ]; then
        cp "$work/other.sdt" "$work/target.sdt"  # the earlier good file
        cli upload target.sdt >"$work/out.txt" 2>"$work/err.txt" &
    else
        cli download other.sdt >"$work/out.txt" 2>"$work/err.txt" &
    fi
    local cli_pid=$! late=""
    # A fault during the run hits only while the transfer still runs.
    case "$during" in
        silence:* | faults:*)
            local signal=USR1 at for
            [ "${during%%:*}" = faults ] && signal=RTMIN
            IFS=: read -r _ at for <<<"$during"
            sleep "$at"
            if kill -0 "$cli_pid" 2>/dev/null; then
                kill -$signal "$sim_pid"; sleep "$for"; kill -$signal "$sim_pid"
            else
                late=" (ended before the fault)"
            fi ;;
        kill:*)
            sleep "${during#kill:}"
            if kill -0 "$cli_pid" 2>/dev/null; then
                kill -KILL "$sim_pid"; wait "$sim_pid" 2>/dev/null; sim_pid=""
            else
                late=" (ended before the fault)"
            fi ;;
    esac
    wait "$cli_pid"
    local rc=$? outcome
    if [ $rc -eq 124 ]; then
        outcome=hung
    elif [ "$dir" = upload ]; then
        if [ $rc -eq 0 ] && same_data "$work/target.sdt" "$work/reference.sdt"; then
            outcome=exact
        elif [ $rc -ne 0 ] && cmp -s "$work/target.sdt" "$work/other.sdt" &&
            ! grep -q uploaded "$work/out.txt"; then
            outcome=failed
        else
            outcome=wrong
        fi
    else
        if [ $rc -ne 0 ]; then
            grep -q downloaded "$work/out.txt" && outcome=wrong || outcome=failed
        elif [ -z "$sim_pid" ]; then
            outcome=wrong  # the board died but the download says it is done
        else
            # Read the board back over a clean line (SIGRTMIN turns the start
            # options' faults off; tried a few times).
            [ $faults_on = 1 ] && [ $# -gt 0 ] && kill -s RTMIN "$sim_pid"
            outcome=hung
            for _ in 1 2 3; do
                rm -f "$work/back.sdt"
                if cli upload back.sdt >/dev/null 2>>"$log"; then
                    same_data "$work/back.sdt" "$work/other.sdt" && outcome=exact || outcome=wrong
                    break
                fi
            done
        fi
    fi
    if [ "$outcome" != exact ] && [ "$outcome" != failed ] || [ -n "${SOAK_VERBOSE:-}" ]; then
        { echo "== $dir $* ${during}${late}: exit $rc -> $outcome"; cat "$work/out.txt" "$work/err.txt"; } >>"$log"
    fi
    stop_sim
    echo "$outcome"
}

# --- The faults -------------------------------------------------------------------
if [ $quick = 1 ]; then
    faults=("drop-every 13" "drop-every 200" "reply-delay 0.7" "reply-delay 1.05" "silence" "kill")
else
    faults=("drop-every 7" "drop-every 13" "drop-every 50" "drop-every 200" "drop-every 1000"
        "reply-delay 0.3" "reply-delay 0.7" "reply-delay 0.95" "reply-delay 1.05" "silence" "kill")
fi
printf '%-18s %-9s %5s %6s %7s %6s %5s %8s\n' fault direction runs exact failed wrong hung seconds
total_wrong=0
for fault in "${faults[@]}"; do
    for dir in upload download; do
        declare -A n=([exact]=0 [failed]=0 [wrong]=0 [hung]=0)
        t0=$SECONDS
        for r in $(seq "$runs"); do
            args=()
            during=""
            case "$fault" in
                drop-every*) read -r opt val <<<"$fault"; args=(--"$opt" "$val") ;;
                # Late replies through a whole transfer would take minutes:
                # they come for 3 s from 0.2-0.6 s into the run.
                reply-delay*)
                    read -r opt val <<<"$fault"
                    args=(--"$opt" "$val")
                    during="faults:0.$(( r * 3 % 5 + 2 )):3" ;;
                # A clean transfer takes about a second. Silence from 0.2-0.6 s
                # into the run, for 1.5 s (time-outs and resynchronising) or
                # 4 s (the cable box, answered Cancel); the board killed
                # 0.1-0.5 s into the run.
                silence) during="silence:0.$(( r * 3 % 5 + 2 )):$([ $((r % 2)) = 1 ] && echo 1.5 || echo 4)" ;;
                kill) during="kill:0.$(( r * 2 % 5 + 1 ))" ;;
            esac
            o=$(run_one "$dir" "${args[@]}")
            n[$o]=$((n[$o] + 1))
        done
        printf '%-18s %-9s %5s %6s %7s %6s %5s %8s\n' "$fault" "$dir" "$runs" "${n[exact]}" \
            "${n[failed]}" "${n[wrong]}" "${n[hung]}" $((SECONDS - t0))
        total_wrong=$((total_wrong + n[wrong]))
        unset n
    done
done
cp "$log" /tmp/voran-soak-last.log
echo "details: /tmp/voran-soak-last.log"
[ $total_wrong -eq 0 ]
