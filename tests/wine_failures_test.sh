#!/usr/bin/env bash
# The failures that need a POSIX disk, for the Windows program under Wine:
# Wine opens this machine's files through its drive Z:, so symbolic links made
# here lead the program to a disk that is always full, to a file that cannot
# be read, back to the dump itself, or round in a loop.
#   wine_failures_test.sh WINE PROGRAM.exe
set -euo pipefail
wine=$1
program=$(realpath "$2")
# Wine's own diagnostics would mix with what the program writes.
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# check NAME STATUS MESSAGE SETUP... ; runs the program on code.txt (or the
# dump that SETUP names in $dump) in a fresh folder after SETUP.
check() {
    local name=$1 expected_status=$2 expected_output=$3
    shift 3
    local folder="$work/$name"
    mkdir "$folder"
    dump=code.txt
    cd "$folder"
    printf '2008000a\n2009fffb\n' > code.txt
    eval "$@"
    cd "$work"
    local status=0
    (cd "$folder" && "$wine" "$program" "$dump" </dev/null >"$work/$name.out" 2>"$work/$name.err") || status=$?
    local output
    output=$(od -An -c "$work/$name.out" | tr -s ' ')
    local wanted
    wanted=$(printf '%s' "$expected_output" | od -An -c | tr -s ' ')
    if [ "$status" != "$expected_status" ] || [ "$output" != "$wanted" ] || [ -s "$work/$name.err" ]; then
        echo "FAILED $name: status $status, output:$output, errors: $(cat "$work/$name.err")"
        failures=$((failures + 1))
    elif [ "$(cat "$folder/code.txt")" != "$(printf '2008000a\n2009fffb')" ]; then
        echo "FAILED $name: the dump changed"
        failures=$((failures + 1))
    else
        echo "ok $name"
    fi
}

check mem_on_a_full_disk 7 $'Failed to write "code.txt.mem"!\r\n' 'ln -s /dev/full code.txt.mem'
check coe_on_a_full_disk 7 $'Failed to write "code.txt.coe"!\r\n' 'ln -s /dev/full code.txt.coe'
check both_on_a_full_disk 7 $'Failed to write "code.txt.mem"!\r\n' \
    'ln -s /dev/full code.txt.mem; ln -s /dev/full code.txt.coe'
check dump_read_fails 6 $'Failed to read "bad.txt"!\r\n' 'ln -s /proc/self/mem bad.txt; dump=bad.txt'
check mem_links_to_the_dump 3 $'Failed to open "code.txt.mem"!\r\n' 'ln -s code.txt code.txt.mem'
check coe_links_to_the_dump 4 $'Failed to open "code.txt.coe"!\r\n' 'ln -s code.txt code.txt.coe'
check dump_is_a_link_loop 2 $'Failed to open "loop.txt"!\r\n' 'ln -s loop.txt loop.txt; dump=loop.txt'

[ "$failures" -eq 0 ]
