#!/usr/bin/env bash
# The whole test suite: a warning-free release build and its tests, then the
# same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

run_preset() {
    local preset=$1
    shift
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" "$@"
}

# The release build runs every test, the end-to-end ones also under valgrind.
run_preset ci
# valgrind cannot watch a program built with AddressSanitizer; the sanitizers
# watch it themselves.
run_preset sanitize --label-exclude memcheck

# Arbitrary bytes through the whole conversion, checked against a model.
echo "== fuzz"
fuzz/run.sh "${TOLVANE_FUZZ_SECONDS:-60}"
