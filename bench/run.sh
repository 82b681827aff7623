#!/usr/bin/env bash
# Times Tolvane against the floor of its I/O on a memory-backed folder and
# prints, for each mode, the ratio of every pair of runs, their median and
# Tolvane's peak resident memory.
#   bench/run.sh [PAIRS]   (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-7}
build=build/bench
work=$(mktemp -d /dev/shm/tolvane-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
g++ -O2 -std=c++17 bench/generate.cpp -o "$work/generate"
g++ -O2 -std=c++17 bench/floor.cpp -o "$work/floor"

seconds() { # the wall time of one run of the command, in seconds
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(( end - start ))"
}

for mode in hex bin; do
    words=$([ "$mode" = hex ] && echo 6000000 || echo 2000000)
    dump="$work/$mode.txt"
    "$work/generate" "$mode" "$words" "$dump"
    "$build/tolvane" "$dump" </dev/null >/dev/null
    mem_bytes=$(stat -c %s "$dump.mem")
    coe_bytes=$(stat -c %s "$dump.coe")
    ratios=()
    for _ in $(seq "$pairs"); do
        t=$(seconds "$build/tolvane" "$dump")
        f=$(seconds "$work/floor" "$dump" "$mem_bytes" "$coe_bytes")
        ratios+=("$(awk -v t="$t" -v f="$f" 'BEGIN { printf "%.2f", t / f }')")
        printf '%s: tolvane %6.1f ms  floor %6.1f ms  ratio %s\n' "$mode" \
            "$(awk -v t="$t" 'BEGIN { print t / 1e6 }')" "$(awk -v f="$f" 'BEGIN { print f / 1e6 }')" \
            "${ratios[-1]}"
    done
    median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    peak=$(/usr/bin/time -f %M "$build/tolvane" "$dump" 2>&1 >/dev/null </dev/null | tail -n 1)
    printf '%s: %d words, %d bytes; median ratio %s; peak memory %d KiB\n\n' "$mode" "$words" \
        "$(stat -c %s "$dump")" "$median" "$peak"
done
