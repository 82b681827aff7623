#!/usr/bin/env bash
# Builds the conversion fuzzer with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs it from the corpus for a bounded time.
# Any finding fails the run and leaves its input in build/fuzz/.
#   fuzz/run.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out"

# Small blocks put every line against a block boundary somewhere.
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -DTOLVANE_READ_BLOCK_SIZE=80 -DTOLVANE_WRITE_BLOCK_SIZE=64 -Isrc \
    src/convert/conversion.cpp src/convert/reader.cpp src/convert/writers.cpp \
    fuzz/convert_fuzzer.cpp -o "$out/convert_fuzzer"

# New inputs go to a scratch corpus; the one in the repository stays small.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$out/convert_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -artifact_prefix="$out/" -print_final_stats=1 "$work" fuzz/corpus
