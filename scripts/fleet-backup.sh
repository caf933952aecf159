#!/usr/bin/env bash
# Nightly backup of every line's board, and a check of its set-up against the
# line's approved set-up.
#
#   scripts/fleet-backup.sh [--out DIR] [--approved DIR] [--cli PATH] LIST
#
# LIST has one board a line: "line name, port" (the port as voran-cli --port
# takes it: 3, /dev/serial/by-id/..., socket://HOST:PORT, rfc2217://HOST:PORT);
# blank lines and lines starting with # are skipped. For each board, all at
# once (each on its own port):
#   voran-cli --port PORT upload DIR/YYYY-MM-DD/<line>.sdt
#   voran-cli --port PORT compare --set-up-only APPROVED/<line>.sdt
# and one line per board, in the order of the list:
#   <line>: same
#   <line>: differs (DIR/YYYY-MM-DD/<line>.differences)
#   <line>: unreachable (DIR/YYYY-MM-DD/<line>.log)
# Exit status: 0 when every board was backed up and is the same as approved,
# 1 when any differs or is unreachable, 2 for a wrong command line.
# DIR defaults to ./backups, APPROVED to DIR/approved, the voran-cli to the one
# beside this script's build (build/bin), else the one on the PATH.
set -u

usage() {
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
    exit "${1:-2}"
}

out=backups
approved=
cli=
while [ $# -gt 0 ]; do
    case "$1" in
        --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
        --approved) [ $# -ge 2 ] || usage; approved=$2; shift 2 ;;
        --cli) [ $# -ge 2 ] || usage; cli=$2; shift 2 ;;
        -h|--help) usage 0 ;;
        -*) echo "fleet-backup: unknown option $1" >&2; usage ;;
        *) break ;;
    esac
done
[ $# -eq 1 ] || usage >&2
list=$1
[ -r "$list" ] || { echo "fleet-backup: cannot read $list" >&2; exit 2; }
[ -n "$approved" ] || approved=$out/approved
if [ -z "$cli" ]; then
    here=$(cd "$(dirname "$0")/.." && pwd)
    if [ -x "$here/build/bin/voran-cli" ]; then cli=$here/build/bin/voran-cli
    else cli=$(command -v voran-cli) || { echo "fleet-backup: no voran-cli found" >&2; exit 2; }
    fi
fi

day=$out/$(date +%F)
mkdir -p "$day" || exit 2

# One board: back it up, then compare it with its approved set-up. Writes
# its result line to $day/<file>.result.
backup_one() {
    local name=$1 port=$2 file=$3
    local sdt=$day/$file.sdt log=$day/$file.log diffs=$day/$file.differences
    local result
    if ! "$cli" --port "$port" upload "$sdt" >"$log" 2>&1; then
        result="unreachable ($log)"
    elif [ ! -r "$approved/$file.sdt" ]; then
        echo "no approved set-up $approved/$file.sdt" >>"$log"
        result="differs (no approved set-up: $approved/$file.sdt)"
    else
        "$cli" --port "$port" compare --set-up-only "$approved/$file.sdt" >"$diffs" 2>>"$log"
        case $? in
            0) rm -f "$diffs"; result="same" ;;
            3) result="differs ($diffs)" ;;
            *) result="unreachable ($log)" ;;
        esac
    fi
    echo "$name: $result" >"$day/$file.result"
}

names=()
files=()
while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    case "$line" in ''|'#'*) continue ;; esac
    case "$line" in
        *,*) ;;
        *) echo "fleet-backup: $list: not \"line name, port\": $line" >&2; exit 2 ;;
    esac
    name=$(echo "${line%%,*}" | sed 's/^[[:space:]]*//; s/[[:space:]]*$//')
    port=$(echo "${line#*,}" | sed 's/^[[:space:]]*//; s/[[:space:]]*$//')
    if [ -z "$name" ] || [ -z "$port" ]; then
        echo "fleet-backup: $list: not \"line name, port\": $line" >&2
        exit 2
    fi
    # The line name as a file name: letters, digits, dot, dash; others "_".
    file=$(printf '%s' "$name" | tr -c 'A-Za-z0-9._-' '_')
    for f in "${files[@]}"; do
        if [ "$f" = "$file" ]; then
            echo "fleet-backup: $list: line \"$name\" is listed twice" >&2
            exit 2
        fi
    done
    rm -f "$day/$file.result"
    names+=("$name")
    files+=("$file")
    backup_one "$name" "$port" "$file" &
done <"$list"
wait

status=0
for i in "${!files[@]}"; do
    result=$(cat "$day/${files[$i]}.result" 2>/dev/null) || result="${names[$i]}: unreachable (no result)"
    echo "$result"
    case "$result" in *": same") ;; *) status=1 ;; esac
    rm -f "$day/${files[$i]}.result"
done
exit $status
