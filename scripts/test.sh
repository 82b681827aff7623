#!/usr/bin/env bash
# The whole test suite: a warning-free release build and its tests, then the
# same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

run_preset() {
    echo "== $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
    ctest --preset "$1"
}

run_preset ci
run_preset sanitize
