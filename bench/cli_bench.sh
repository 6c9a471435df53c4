#!/usr/bin/env bash
# tonvia-cli --demo dump: the process start and set-up (a status run at latency 0) and the
# rest of the dump against the state read's ideal at USB full speed (2 ms per round trip,
# the round trips counted from a --trace run). Medians of five runs.
# Usage: bench/cli_bench.sh [path/to/tonvia-cli]   (default: build/bench/src/cli/tonvia-cli)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/bench/src/cli/tonvia-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Wall time of one run in milliseconds.
run_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] / 1000 }'; }

trips=$("$program" --demo --trace dump 2>&1 >/dev/null | grep -c ' write ')
setup=$(for _ in 1 2 3 4 5; do run_ms "$program" --demo status; done | median)
dump=$(for _ in 1 2 3 4 5; do TONVIA_SIM_FULL_SPEED=1 run_ms "$program" --demo dump; done | median)
ideal=$(awk -v t="$trips" 'BEGIN { print t * 2 }')
echo "process start and set-up (status, latency 0): ${setup} ms (goal 50 ms, ratio $(awk -v s="$setup" 'BEGIN { printf "%.2f", s / 50 }'))"
echo "dump at full speed: ${dump} ms for ${trips} round trips; without the set-up $(awk -v d="$dump" -v s="$setup" 'BEGIN { printf "%.1f", d - s }') ms against the ideal ${ideal} ms, ratio $(awk -v d="$dump" -v s="$setup" -v i="$ideal" 'BEGIN { printf "%.3f", (d - s) / i }')"
