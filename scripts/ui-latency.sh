#!/bin/sh
# How alive the window stays: starts k900-sim with a per-byte answer delay
# and voran with its event-loop probe (--loop-probe) under Xvfb, drives voran
# with xdotool through going online, each live window, Download Data, Upload
# Data, a program download, a program upload of a small set (cancelled after
# a few seconds) and a silent board, and prints the worst gap between two
# event-loop turns in each. Target: no gap above 50 ms on an idle machine.
#
#   scripts/ui-latency.sh [--display N] [--port N] [--delay S] [--build DIR]
#
# Defaults: display :56, COM58, 0.001 s per byte, build/. Needs Xvfb,
# openbox and xdotool (installed with apt-get when missing).
set -eu

display=56
port=58
delay=0.001
build=build
while [ $# -gt 0 ]; do
    case "$1" in
    --display) display=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    --delay) delay=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--display N] [--port N] [--delay S] [--build DIR]" >&2; exit 2 ;;
    esac
done

here=$(cd "$(dirname "$0")/.." && pwd)
bin=$here/$build/bin
[ -x "$bin/voran" ] && [ -x "$bin/k900-sim" ] || { echo "build voran and k900-sim first" >&2; exit 1; }

missing=""
for p in xvfb openbox xdotool; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq $missing >/dev/null
fi

# A program folder of its own: voran, its Support files, the port setting,
# and a small program set (board type "2", 64 records at 2000H).
work=$(mktemp -d /tmp/ui-latency.XXXXXX)
cp "$bin/voran" "$work/"
cp -r "$bin/Support" "$work/"
rm -f "$work"/Support/COM*
echo "$port,9600" > "$work/Support/RSPort.cfg"
python3 - "$work" <<'EOF'
import sys
w = sys.argv[1]
lines = []
for r in range(64):
    a = 0x2000 + 16 * r
    data = [(i * 7 + r) & 0xFF for i in range(16)]
    rec = [16, a >> 8, a & 0xFF, 0] + data
    lines.append(":" + "".join("%02X" % b for b in rec) + "%02X" % (-sum(rec) & 0xFF))
lines.append(":00000001FF")
open(w + "/small.hex", "w", newline="").write("\r\n".join(lines) + "\r\n")
open(w + "/small.tnx", "w", newline="").write("2SMALL,TARNIX\r\n")
open(w + "/small.rev", "w", newline="").write("SMALL   0102\r\n")
EOF

pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ -n "${UI_LATENCY_KEEP:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT INT TERM

Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
pids="$! $pids"
sleep 1
DISPLAY=":$display" openbox >/dev/null 2>&1 &
pids="$! $pids"
"$bin/k900-sim" --folder "$work" --port "$port" --preset "$here/presets/demo.preset" --live \
    --reply-delay "$delay" > "$work/sim.out" 2>&1 &
sim=$!
pids="$sim $pids"
sleep 1
# The machine's own share: an idle process with the same 10 ms tick, so
# that a gap voran shows can be told from one the load of the machine
# gave every process alike.
python3 - "$work/reference.txt" <<'EOF' &
import sys, time
out = open(sys.argv[1], "w")
last = time.monotonic()
while True:
    time.sleep(0.010)
    now = time.monotonic()
    gap = (now - last) * 1000
    last = now
    if gap >= 15:
        out.write("%d %.1f\n" % (int(time.time() * 1000), gap))
        out.flush()
EOF
pids="$! $pids"
DISPLAY=":$display" "$work/voran" --loop-probe "$work/probe.txt" > "$work/voran.out" 2>&1 &
voran=$!
pids="$voran $pids"
sleep 3

x() { DISPLAY=":$display" xdotool "$@"; }
key() { x key --clearmodifiers "$@"; sleep 0.8; }
type_text() { x type --delay 20 "$1"; sleep 0.3; }
now() { date +%s%3N; }

phases="$work/phases.txt"
: > "$phases"
phase() {  # name seconds-to-measure command...
    name=$1; secs=$2; shift 2
    start=$(now)
    "$@"
    sleep "$secs"
    echo "$start $(now) $name" >> "$phases"
}

online() { key F3; }
window() { key alt+w; key "$1"; }
download_data() { key alt+f; key d; key y; }
upload_data() { key alt+f; key u; key y; }
program_download() {
    key alt+f; key p; key Return
    sleep 1; type_text "$work/small.tnx"; key Return
    key y           # "You are about to download ..."
    sleep 1; key y  # the comparison of the programs
}
program_upload() {
    key alt+f; key p; key Down; key Return
    sleep 1; type_text "$work/small.tnx"; key Return
    key y           # replace small.hex
}
silent_board() { kill -USR1 "$sim"; }

phase "going online" 3 online
for i in 1 2 3 4 5; do phase "window $i" 4 window "$i"; done
phase "Download Data" 8 download_data
phase "Upload Data" 8 upload_data
phase "program download" 12 program_download
key Return  # "Program Download Complete!"
sleep 2
phase "program upload (6 s, then Cancel)" 6 program_upload
key Escape  # Cancel
sleep 1
key Return  # "Program Upload Not Complete!"
sleep 1
online
sleep 2
phase "silent board (to the cable message)" 7 silent_board
key Escape  # the cable message: Cancel
kill -USR1 "$sim"
sleep 1

kill "$voran" 2>/dev/null || true
wait "$voran" 2>/dev/null || true

worst() {  # file start end
    awk -v s="$2" -v e="$3" '$1 ~ /^[0-9]+$/ && $1 >= s && $1 <= e && $2 > m { m = $2 }
        END { if (m == 0) printf "<15"; else printf "%.0f", m }' "$1"
}
printf '%-40s %16s %18s\n' "operation" "worst gap (ms)" "idle process (ms)"
while read -r start end name; do
    printf '%-40s %16s %18s\n' "$name" "$(worst "$work/probe.txt" "$start" "$end")" \
        "$(worst "$work/reference.txt" "$start" "$end")"
done < "$phases"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
