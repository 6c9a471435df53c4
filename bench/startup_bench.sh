#!/usr/bin/env bash
# Start-up: process start to the shown main window (offscreen platform, virtual
# amplifier), median of ten runs, and the peak resident memory.
# Usage: bench/startup_bench.sh [path/to/tonvia]   (default: build/bench/src/app/tonvia)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/bench/src/app/tonvia}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work" XDG_RUNTIME_DIR="$work"
cd "$work"
times=()
peak=0
for _ in $(seq 10); do
    line=$("$program" --demo --startup-check | grep '^startup:')
    times+=("$(sed -E 's/startup: ([0-9.]+) ms.*/\1/' <<<"$line")")
    mb=$(sed -E 's/.*memory ([0-9.]+) MB.*/\1/' <<<"$line")
    peak=$(awk -v a="$peak" -v b="$mb" 'BEGIN { print (b > a) ? b : a }')
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print (v[5] + v[6]) / 2 }')
echo "start-up to the shown main window: median ${median} ms of 10 runs (goal 400 ms, ratio $(awk -v m="$median" 'BEGIN { printf "%.2f", m / 400 }'))"
echo "peak resident memory: ${peak} MB (goal 120 MB, ratio $(awk -v p="$peak" 'BEGIN { printf "%.2f", p / 120 }'))"
