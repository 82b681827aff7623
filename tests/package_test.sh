#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it into a scratch
# root as dpkg would install it, and converts a real dump with the installed
# program.
#   package_test.sh BUILD_DIR DATA_DIR
set -euo pipefail
build=$1
data=$2
if ! command -v dpkg >/dev/null; then
    echo "skipped: dpkg is not installed"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/packages" >/dev/null)
package=$(ls "$work"/packages/*.deb)
test "$(dpkg-deb --field "$package" Package)" = tolvane
dpkg -x "$package" "$work/root"
test -f "$work/root/usr/share/man/man1/tolvane.1"

cp "$data/mars/fib.text.bin.txt" "$work/dump.txt"
output=$("$work/root/usr/bin/tolvane" "$work/dump.txt" </dev/null)
test "$output" = "Done."
cmp "$work/dump.txt.mem" "$data/mars/expected/fib.text.bin.txt.mem"
cmp "$work/dump.txt.coe" "$data/mars/expected/fib.text.bin.txt.coe"
echo "the installed program converts a dump: $(basename "$package")"
