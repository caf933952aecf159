#!/usr/bin/env bash
# Builds voran and the simulated board, starts k900-sim (demo preset, live
# machine counting cans) on the configured COM port (1 unless
# Support/RSPort.cfg says otherwise) in the program folder, and starts voran
# online against it. Installs what it needs on Debian.
#
# Without a display, voran runs under Xvfb: a picture of its main window is
# saved after a few seconds, its path printed, and the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target voran k900-sim
bin="$(cd "$build/bin" && pwd)"

port=1
cfg="$(find "$bin" -maxdepth 2 -ipath "$bin/support/rsport.cfg" 2>/dev/null | head -n1)"
if [ -n "$cfg" ]; then
    first="$(head -n1 "$cfg" | cut -d, -f1 | tr -dc '0-9')"
    if [ -n "$first" ] && [ "$first" -ge 1 ] && [ "$first" -le 99 ]; then port="$first"; fi
fi

simlog="$(mktemp)"
"$bin/k900-sim" --port "$port" --folder "$bin" --preset presets/demo.preset --live >"$simlog" 2>&1 &
sim_pid=$!
cleanup() {
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    rm -f "$simlog"
}
trap cleanup EXIT

# Wait until the simulator has linked Support/COM<n> to its terminal.
for _ in $(seq 1 50); do
    grep -q '^link ' "$simlog" && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "k900-sim did not start:" >&2
        cat "$simlog" >&2
        exit 1
    fi
    sleep 0.1
done
echo "Simulated K-900 on COM$port: $(grep '^device ' "$simlog" | cut -d' ' -f2-)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$bin/voran" --online
else
    shot="$bin/voran-screenshot.png"
    echo "No display: running voran under Xvfb and saving a picture of its main window." >&2
    xvfb-run -a -s "-screen 0 1024x768x24" \
        "$bin/voran" --online --screenshot "$shot" --screenshot-delay 6 2>/dev/null
fi
