#!/usr/bin/env bash
# scripts/fleet-backup.sh against three simulated boards: one as approved
# (reached by its device path, with its shift counts moved on), one whose
# set-up was changed (over TCP), one that cannot be reached (its adapter is
# gone).
#   tests/scripts/fleet-backup-test.sh BIN_DIR SOURCE_DIR
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/voran-fleet-XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# A program folder of its own: the programs copied there use its Support/.
cp "$bin/voran-cli" "$bin/k900-sim" "$work/"
cli=$work/voran-cli
printf 'W1000 111\nW1042 2048\nD1100 19999\n' >"$work/board.preset"

# Starts k900-sim with the arguments (in this shell, so that its process is
# stopped at the end) and waits for its address lines in $work/sim<n>.out.
start_sim() {
    local out=$work/sim$1.out
    shift
    "$work/k900-sim" --folder "$work" --preset "$work/board.preset" "$@" >"$out" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$out" ] && grep -q '^\(link\|listen\) ' "$out" && break
        sleep 0.05
    done
}
start_sim 1 --port 61
start_sim 2 --port 62 --tcp 0
first=$(head -n 1 "$work/sim1.out")
second=$(head -n 1 "$work/sim2.out")
case "$first" in "device /dev/"*) ;; *) fail "k900-sim on a pseudo-terminal: $first" ;; esac
case "$second" in "listen 127.0.0.1:"*) ;; *) fail "k900-sim --tcp: $second" ;; esac
line1=${first#device }
line2=socket://${second#listen }

# The approved set-ups: both boards as they are now.
mkdir -p "$work/approved"
"$cli" --port "$line1" upload "$work/approved/Line_1.sdt" >/dev/null || fail "approved upload 1"
"$cli" --port "$line2" upload "$work/approved/Can_line_2.sdt" >/dev/null || fail "approved upload 2"
# Line 1's shift count moves on (not a set-up change); line 2's set-up changes.
"$cli" --port "$line1" write D1100 20000 || fail "write line 1"
"$cli" --port "$line2" write W1000 112 || fail "write line 2"

cat >"$work/lines.txt" <<LIST
# line name, port
Line 1, $line1

Can line 2 , $line2
Line/3, /dev/voran-no-such-adapter
LIST
output=$(cd "$work" && "$src/scripts/fleet-backup.sh" --cli "$cli" --out "$work/backups" \
    --approved "$work/approved" "$work/lines.txt")
status=$?
day=$work/backups/$(date +%F)
expected="Line 1: same
Can line 2: differs ($day/Can_line_2.differences)
Line/3: unreachable ($day/Line_3.log)"
[ "$output" = "$expected" ] || fail "output was:
$output
expected:
$expected"
[ $status -eq 1 ] || fail "exit status $status, expected 1"
# The backups are whole set-up files; the unreachable board left none.
for f in Line_1 Can_line_2; do
    [ "$(stat -c %s "$day/$f.sdt" 2>/dev/null)" = "$(stat -c %s "$work/approved/$f.sdt")" ] ||
        fail "backup $f.sdt missing or of another size"
done
[ ! -e "$day/Line_3.sdt" ] || fail "an unreachable board left a backup file"
grep -q "W1000" "$day/Can_line_2.differences" || fail "differences: $(cat "$day/Can_line_2.differences")"
grep -q "There is no such port: /dev/voran-no-such-adapter" "$day/Line_3.log" || fail "log: $(cat "$day/Line_3.log")"

# All same: exit 0. A wrong list: exit 2.
sed -i '/Can line 2\|Line\/3/d' "$work/lines.txt"
"$src/scripts/fleet-backup.sh" --cli "$cli" --out "$work/backups" --approved "$work/approved" \
    "$work/lines.txt" >/dev/null || fail "one board, the same as approved: not exit 0"
echo "Line 1 without a port" >"$work/bad.txt"
"$src/scripts/fleet-backup.sh" --cli "$cli" --out "$work/backups" "$work/bad.txt" 2>/dev/null
[ $? -eq 2 ] || fail "a malformed list is not refused with exit 2"
echo "fleet-backup: 3 boards, same / differs / unreachable as expected"
