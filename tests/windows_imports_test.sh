#!/usr/bin/env bash
# The Windows program must run from a plain folder or a zip: it may import
# nothing but Windows' own DLLs.
#   windows_imports_test.sh OBJDUMP PROGRAM
set -euo pipefail
imports=$("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p')
echo "imports:" $imports
for dll in $imports; do
    case "${dll,,}" in
        kernel32.dll | msvcrt.dll | shell32.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
        *) echo "not one of Windows' own DLLs: $dll"; exit 1 ;;
    esac
done
