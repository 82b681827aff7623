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

# The Windows program and the same tests, under Wine, in one prefix kept
# running for the whole stage.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && [ -x /usr/lib/wine/wine64 ]; then
    export WINEPREFIX="$PWD/build/wine" WINEDEBUG=-all
    # The server stays up between the many short runs of the tests.
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -p
    trap '/usr/lib/wine/wineserver -k || true' EXIT
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
    run_preset windows
else
    echo "skipped: the Windows stage needs g++-mingw-w64-x86-64-posix and wine64 (.ci/run installs both)"
fi
