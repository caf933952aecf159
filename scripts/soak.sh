#!/usr/bin/env bash
# Soak: voran-cli data upload and download and program download and upload
# against k900-sim over a real pseudo-terminal under each line fault, judged
# by the whole board and the files, and one table of the outcomes.
#
#   scripts/soak.sh [--quick] [--stream S] [RUNS]
#
# RUNS per fault and direction: default 5 (--quick: 1 run of a few faults).
# Needs the programs of build/ (BUILD_DIR). Not part of the test command: a
# full soak takes about 20 minutes, --quick about 3.
#
# Every run starts a fresh board from presets/demo.preset (with an earlier
# program and its ident in memory). Before and after each run the board
# writes its whole state (all 64 KiB of memory and the PLS state) to a file
# (k900-sim --dump, SIGRTMIN+1). Outcomes:
#   exact    exit 0 and everything as a clean line gives it:
#            upload: the file holds what a clean upload gives (every byte but
#            the date stamp) and the board is unchanged;
#            download: the whole board equals the board after a clean
#            download of the same file;
#            program download: the whole board equals the board after a clean
#            program download (program memory = the image, ident written);
#            program upload: the files equal those of a clean upload and the
#            board is unchanged
#   failed   exit 1 and nothing wrong: an upload leaves the earlier file(s)
#            byte for byte and the board unchanged, and says nothing of
#            success; a download leaves every bit of the board at its old or
#            its new value (each word and double word item whole at one of
#            the two, each PLS value at one of the two, nothing else
#            touched); a program download leaves either the old program and
#            ident or a cleared ident block (first byte 0), never the old (or a mixed)
#            ident over changed program memory
#   WRONG    anything else that ended by itself with exit 0 or 1 (or 2)
#   crashed  ended by a signal or with an exit status above 2
#   hung     no end within the time limit (killed)
# Drops hit random bytes (k900-sim --drop-stream: the base stream number printed at the
# start plus the run's number; the log names it for every run it lists, and
# --stream S repeats them all); late replies come
# for 3 s of a run (SIGRTMIN), silence for 1.5 or 4 s (SIGUSR1), the board is
# killed part-way (SIGRTMIN+2: it dies between two bytes and leaves its
# last state in the dump). Exits 1 on any WRONG, crashed or hung. Details
# of every run that is not exact or failed go to the log named at the end.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
quick=0
stream=""
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) quick=1; shift ;;
        --stream) stream=$2; shift 2 ;;
        *) break ;;
    esac
done
runs=${1:-$([ $quick = 1 ] && echo 1 || echo 5)}
stream=${stream:-$(( (RANDOM << 15) | RANDOM ))}
bin=$root/${BUILD_DIR:-build}/bin
for p in voran-cli k900-sim; do
    [ -x "$bin/$p" ] || { echo "soak.sh: $bin/$p missing: build first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/voran-soak.XXXXXX)
log=$work/soak.log
cp "$bin/voran-cli" "$work/"
cli() { (cd "$work" && timeout -k 5 "${limit:-150}" ./voran-cli --port 41 "$@"); }
sim_pid=""

# The board is an N-33: its loader writes program memory (2000H-3FFFH) only.
start_sim() {  # start_sim PRESET ARGS...: a fresh board linked as COM41
    local preset=$1
    shift
    rm -f "$work/Support/COM41" "$work/dump.bin"
    "$bin/k900-sim" --folder "$work" --port 41 --preset "$preset" --program "$work/old.hex" \
        --program-memory 2000-3FFF --still --dump "$work/dump.bin" "$@" >"$work/sim.out" 2>>"$log" &
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

# dump FILE: the whole board as it is now (false when it does not answer).
dump() {
    rm -f "$work/dump.bin"
    [ -n "$sim_pid" ] && kill -s RTMIN+1 "$sim_pid" 2>/dev/null || return 1
    for _ in $(seq 100); do
        if [ -f "$work/dump.bin" ]; then
            mv "$work/dump.bin" "$1"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

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

# --- The judge of the board ------------------------------------------------------
# judge BEFORE AFTER NEW [IDENT]: the problems of a board AFTER a run that
# started from BEFORE and, done cleanly, gives NEW; nothing when there are
# none. Every bit of memory must be at its BEFORE or its NEW value; the word
# and double word items of the preset whole at one of the two; every PLS
# value at one of the two (the configuration byte by byte, as it is sent in
# blocks). With IDENT (a program download that failed) the ten ident bytes
# from 61424 must be cleared (the first byte 0, each other byte 0, old or
# new: the program reads that as no valid program), or the old ident over the old program memory
# (program_from..program_to), whose bytes are not judged one by one.
judge() {
    local before=$1 after=$2 new=$3 ident=${4:-}
    # Memory: one decimal byte a line, the three side by side.
    paste <(head -c 65536 "$before" | od -An -v -tu1 -w1) \
        <(head -c 65536 "$after" | od -An -v -tu1 -w1) \
        <(head -c 65536 "$new" | od -An -v -tu1 -w1) |
        awk -v items="$work/items" -v ident="$ident" -v from="$program_from" -v to="$program_to" '
        function bad(a, b, c,   k, x, y, z) {  # a bit of a neither in b nor in c
            for (k = 0; k < 8; k++) {
                x = int(a / 2 ^ k) % 2; y = int(b / 2 ^ k) % 2; z = int(c / 2 ^ k) % 2
                if (x != y && x != z) return 1
            }
            return 0
        }
        { b[NR - 1] = $1; a[NR - 1] = $2; c[NR - 1] = $3 }
        END {
            n = 0
            for (i = 0; i < 65536; i++) {
                # A program download that stops part-way may leave anything in
                # the program memory (then its ident must be cleared), the
                # program-mode request (86) in B8181 and a cleared fault code.
                if (ident != "" && (i >= 61424 && i < 61434 || i >= from && i <= to ||
                                    i == 8181 && a[i] == 86 || i == 8176 && a[i] == 0)) continue
                if (a[i] != b[i] && a[i] != c[i] && bad(a[i], b[i], c[i])) {
                    if (n++ < 8) printf "byte %d is %d: was %d, would be %d\n", i, a[i], b[i], c[i]
                }
            }
            while ((getline line < items) > 0) {
                split(line, f, " "); at = f[1]; len = f[2]; old = 1; new = 1
                for (k = 0; k < len; k++) { if (a[at + k] != b[at + k]) old = 0; if (a[at + k] != c[at + k]) new = 0 }
                if (!old && !new && n++ < 8) printf "item at %d (%d bytes) is neither old nor new\n", at, len
            }
            if (ident != "") {
                # The first byte of the ident is cleared first and written last: 0
                # there is "no valid program" to the PC, whatever the other nine
                # bytes hold of the old, the cleared or the new ident.
                zero = a[61424] == 0; oldid = 1; oldprog = 1
                for (i = 61424; i < 61434; i++) {
                    if (a[i] != 0 && a[i] != b[i] && a[i] != c[i]) zero = 0
                    if (a[i] != b[i]) oldid = 0
                }
                for (i = from; i <= to; i++) if (a[i] != b[i]) oldprog = 0
                if (!zero && !(oldid && oldprog))
                    printf "ident block neither cleared nor the old ident over the old program (%s ident, %s program)\n",
                           oldid ? "old" : "changed", oldprog ? "old" : "changed"
            }
        }'
    # The PLS: every line at its old or new value; configuration bytes each.
    paste -d '|' <(tail -c +65537 "$before") <(tail -c +65537 "$after") \
        <(tail -c +65537 "$new") |
        awk -F'|' '
        $2 == $1 || $2 == $3 { next }
        $2 ~ /^config/ {
            nb = split($1, b, " "); split($2, a, " "); split($3, c, " ")
            for (k = 2; k <= nb; k++) if (a[k] != b[k] && a[k] != c[k]) { print "PLS " $2 ": neither old nor new"; next }
            next
        }
        { print "PLS " $2 ": was " $1 ", would be " $3 }'
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
# The word and double word items, "address bytes" a line, for the judge.
awk '/^[[:space:]]*[Ww][0-9]+[[:space:]]/ { print substr($1, 2), 2 }
     /^[[:space:]]*[Dd][0-9]+[[:space:]]/ { print substr($1, 2), 4 }' "$preset" >"$work/items"

# The programs: an N-33 (board type "8", program memory 2000H-3FFFH, with a
# configuration file) image the board holds at the start with its ident,
# and another image to download. Records of 16 bytes and the end record.
program_from=8192
program_to=16383
hex_image() {  # hex_image MULTIPLIER: 8 KiB of bytes i*M + (i>>8), as HEX
    awk -v m="$1" 'BEGIN {
        for (a = 8192; a < 16384; a += 16) {
            line = sprintf("10%04X00", a); sum = 16 + int(a / 256) + a % 256
            for (k = 0; k < 16; k++) {
                i = a - 8192 + k; v = (i * m + int(i / 256)) % 256
                line = line sprintf("%02X", v); sum += v
            }
            printf ":%s%02X\r\n", line, (256 - sum % 256) % 256
        }
        printf ":00000001FF\r\n"
    }'
}
hex_image 13 >"$work/new.hex"
hex_image 7 >"$work/old.hex"
# The board's earlier program: ident "OLDPROG1", checksum 100, revision 3,
# and its configuration items.
cat >"$work/old.ident.preset" <<'EOF'
B61424 79
B61425 76
B61426 68
B61427 80
B61428 82
B61429 79
B61430 71
B61431 49
B61432 100
B61433 3
B8188 10
B8189 7
B8190 5
EOF
cat "$work/old.ident.preset" >>"$work/other.preset"
cat "$preset" "$work/old.ident.preset" >"$work/demo-ident.preset"
preset=$work/demo-ident.preset
for name in new ref back check; do printf '8PROGRAM,TARNIX\r\n' >"$work/$name.tnx"; done

# Clean uploads give the reference data and the other data to download.
start_sim "$preset"
cli upload reference.sdt >/dev/null 2>>"$log" || { echo "soak.sh: clean upload failed" >&2; exit 1; }
stop_sim
start_sim "$work/other.preset"
cli upload other.sdt >/dev/null 2>>"$log" || { echo "soak.sh: clean upload failed" >&2; exit 1; }
stop_sim
# The PLS part differs too: scale factor 400, channel 3 at 100/200 (tail of
# the record: count, scale, offset, program, 8 speed comp, 8 ON, 8 OFF; a
# download does not set the resolver offset).
poke16 "$work/other.sdt" 54 400
poke16 "$work/other.sdt" $((32 - 2 * 2)) 100
poke16 "$work/other.sdt" $((16 - 2 * 2)) 200

# The board after a clean download of each; the files of a clean program
# upload of the board as every run starts it (ref.*), which also give the
# revision and configuration files of the new program's set (new.*); and a
# clean program download read back.
start_sim "$preset"
dump "$work/start.dump" || { echo "soak.sh: the board gives no dump" >&2; exit 1; }
cli download other.sdt >/dev/null 2>>"$log" && dump "$work/download.dump" ||
    { echo "soak.sh: a clean download failed" >&2; exit 1; }
stop_sim
start_sim "$preset"
limit=600 cli program-upload ref.tnx >/dev/null 2>>"$log" ||
    { echo "soak.sh: a clean program upload failed" >&2; exit 1; }
stop_sim
cmp -s "$work/ref.hex" "$work/old.hex" ||
    { echo "soak.sh: a clean program upload does not give the board's image" >&2; exit 1; }
sed 's/^OLDPROG1/NEWPROG2/' "$work/ref.rev" >"$work/new.rev"
cp "$work/ref.lcf" "$work/new.lcf" ||
    { echo "soak.sh: a clean program upload wrote no configuration file" >&2; exit 1; }
start_sim "$preset"
limit=600 cli program-download --yes new.tnx >/dev/null 2>>"$log" &&
    dump "$work/program.dump" || { echo "soak.sh: a clean program download failed" >&2; exit 1; }
limit=600 cli program-upload check.tnx >/dev/null 2>>"$log" ||
    { echo "soak.sh: a clean program upload failed" >&2; exit 1; }
stop_sim
for f in rev lcf hex; do
    cmp -s "$work/check.$f" "$work/new.$f" ||
        { echo "soak.sh: a clean program download does not read back as check.$f" >&2; exit 1; }
done
# A clean line changes nothing it should not.
for pair in "start download" "start program"; do
    read -r b n <<<"$pair"
    problems=$(judge "$work/$b.dump" "$work/$n.dump" "$work/$n.dump")
    [ -z "$problems" ] || { echo "soak.sh: the judge is wrong: $problems" >&2; exit 1; }
done

# --- One run ------------------------------------------------------------------
# What happens to the board during the run besides its start options, set by
# the fault loop below: "silence:AT:FOR" (SIGUSR1 at AT s, again FOR s later),
# "faults:AT:FOR" (the line faults of the start options, off from the start,
# on at AT s for FOR s: SIGRTMIN) or "kill:AT" (the board dies at AT s).
during=""
run_one() {  # run_one DIRECTION SIMARGS...
    local dir=$1
    shift
    start_sim "$preset" "$@"
    if [ "${during%%:*}" = faults ]; then
        kill -s RTMIN "$sim_pid"
    fi
    local before=$work/before.dump after=$work/after.dump
    rm -f "$work/out.txt" "$work/err.txt" "$after"
    if ! dump "$before"; then
        echo "== $dir $*: the board gave no dump at the start" >>"$log"
        stop_sim
        echo hung
        return
    fi
    local limit=150
    case "$dir" in
        upload)
            cp "$work/other.sdt" "$work/target.sdt"  # the earlier good file
            cli upload target.sdt >"$work/out.txt" 2>"$work/err.txt" & ;;
        download)
            cli download other.sdt >"$work/out.txt" 2>"$work/err.txt" & ;;
        program-download)
            limit=600 cli program-download --yes new.tnx >"$work/out.txt" 2>"$work/err.txt" & ;;
        program-upload)
            for f in rev lcf hex; do cp "$work/new.$f" "$work/back.$f"; done  # the earlier set
            limit=600 cli program-upload back.tnx >"$work/out.txt" 2>"$work/err.txt" & ;;
    esac
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
            # The board dies between two bytes and leaves what it held then
            # in the dump file (SIGRTMIN+2).
            sleep "${during#kill:}"
            if kill -0 "$cli_pid" 2>/dev/null; then
                kill -s RTMIN+2 "$sim_pid"; wait "$sim_pid" 2>/dev/null; sim_pid=""
                mv "$work/dump.bin" "$after" 2>/dev/null
            else
                late=" (ended before the fault)"
            fi ;;
    esac
    wait "$cli_pid"
    local rc=$? outcome problems=""
    # The board after the run, when it is still there (a silent board answers
    # a dump too).
    [ -n "$sim_pid" ] && { dump "$after" || problems="the board gave no dump"; }
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
        outcome=hung
    elif [ $rc -gt 2 ]; then
        outcome=crashed
    else
        case "$dir" in
            upload)
                if [ -f "$after" ] && ! cmp -s "$before" "$after"; then
                    problems="the upload changed the board: $(judge "$before" "$after" "$before" | head -3)"
                elif [ $rc -eq 0 ] && ! same_data "$work/target.sdt" "$work/reference.sdt"; then
                    problems="exit 0 but the file is not the board's data"
                elif [ $rc -ne 0 ] && ! cmp -s "$work/target.sdt" "$work/other.sdt"; then
                    problems="failed but the earlier file was touched"
                elif [ $rc -ne 0 ] && grep -q uploaded "$work/out.txt"; then
                    problems="failed but says uploaded"
                fi ;;
            download | program-download)
                local new=$work/download.dump ident=""
                [ "$dir" = program-download ] && new=$work/program.dump ident=1
                if [ $rc -eq 0 ] && [ ! -f "$after" ]; then
                    problems="exit 0 but the board is gone and left no dump"
                elif [ $rc -eq 0 ] && [ -f "$after" ] && ! cmp -s "$after" "$new"; then
                    problems="exit 0 but the board is not as a clean run leaves it: $(judge "$new" "$after" "$new" | head -3)"
                elif [ $rc -ne 0 ] && [ -f "$after" ]; then
                    problems=$(judge "$before" "$after" "$new" $ident)
                fi
                if [ $rc -ne 0 ] && grep -q "downloaded" "$work/out.txt"; then
                    problems+=" failed but says downloaded"
                fi ;;
            program-upload)
                local f
                if [ -f "$after" ] && ! cmp -s "$before" "$after"; then
                    problems="the upload changed the board"
                fi
                for f in rev lcf hex; do
                    if [ $rc -eq 0 ] && ! cmp -s "$work/back.$f" "$work/ref.$f"; then
                        problems+=" exit 0 but back.$f is not the board's program set"
                    elif [ $rc -ne 0 ] && ! cmp -s "$work/back.$f" "$work/new.$f"; then
                        problems+=" failed but back.$f was touched"
                    fi
                done ;;
        esac
        if [ -n "$problems" ]; then
            outcome=WRONG
        elif [ $rc -eq 0 ]; then
            outcome=exact
        else
            outcome=failed
        fi
    fi
    if [ "$outcome" != exact ] && [ "$outcome" != failed ] || [ -n "${SOAK_VERBOSE:-}" ]; then
        { echo "== $dir $* ${during}${late}: exit $rc -> $outcome"
          [ -n "$problems" ] && echo "$problems"
          cat "$work/out.txt" "$work/err.txt"; } >>"$log"
    fi
    stop_sim
    echo "$outcome"
}

# --- The faults -------------------------------------------------------------------
if [ $quick = 1 ]; then
    faults=("drop-every 13" "drop-every 200" "reply-delay 1.05" "silence" "kill")
    directions=(upload download program-download program-upload)
else
    faults=("drop-every 7" "drop-every 13" "drop-every 50" "drop-every 200" "drop-every 1000"
        "reply-delay 0.3" "reply-delay 0.7" "reply-delay 0.95" "reply-delay 1.05" "silence" "kill")
    directions=(upload download program-download program-upload)
fi
echo "stream $stream (rerun: scripts/soak.sh$([ $quick = 1 ] && echo ' --quick') --stream $stream $runs)"
printf '%-18s %-16s %4s %5s %6s %5s %7s %4s %7s\n' fault direction runs exact failed WRONG crashed hung seconds
bad=0
run_number=0
for fault in "${faults[@]}"; do
    for dir in "${directions[@]}"; do
        declare -A n=([exact]=0 [failed]=0 [WRONG]=0 [crashed]=0 [hung]=0)
        t0=$SECONDS
        for r in $(seq "$runs"); do
            run_number=$((run_number + 1))
            args=()
            during=""
            # Program transfers run for a few seconds: their faults come
            # later.
            span=1
            case "$dir" in program-*) span=3 ;; esac
            case "$fault" in
                drop-every*)
                    read -r opt val <<<"$fault"
                    args=(--"$opt" "$val" --drop-stream $((stream + run_number))) ;;
                # Late replies through a whole transfer would take minutes:
                # they come for 3 s from 0.2-0.6 s (program: 0.6-1.8 s) into the run.
                reply-delay*)
                    read -r opt val <<<"$fault"
                    args=(--"$opt" "$val")
                    during="faults:$(awk -v s=$span -v r=$r 'BEGIN { print s * (r * 3 % 5 + 2) / 10 }'):3" ;;
                # Silence from 0.2-0.6 s (program: 0.6-1.8 s) into the run,
                # for 1.5 s (time-outs and resynchronising) or 4 s (the cable
                # box, answered Cancel); the board killed 0.1-0.5 s (program:
                # 0.3-1.5 s) into the run.
                silence)
                    during="silence:$(awk -v s=$span -v r=$r 'BEGIN { print s * (r * 3 % 5 + 2) / 10 }'):$([ $((r % 2)) = 1 ] && echo 1.5 || echo 4)" ;;
                kill) during="kill:$(awk -v s=$span -v r=$r 'BEGIN { print s * (r * 2 % 5 + 1) / 10 }')" ;;
            esac
            o=$(run_one "$dir" "${args[@]}")
            n[$o]=$((n[$o] + 1))
        done
        printf '%-18s %-16s %4s %5s %6s %5s %7s %4s %7s\n' "$fault" "$dir" "$runs" "${n[exact]}" \
            "${n[failed]}" "${n[WRONG]}" "${n[crashed]}" "${n[hung]}" $((SECONDS - t0))
        bad=$((bad + n[WRONG] + n[crashed] + n[hung]))
        unset n
    done
done
cp "$log" /tmp/voran-soak-last.log
echo "details: /tmp/voran-soak-last.log"
[ $bad -eq 0 ]
