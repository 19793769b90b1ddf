#!/usr/bin/env bash
# Fails unless the given Windows program imports system DLLs only (no MinGW runtime DLLs, and
# never the remote-API library, which the program loads at run time).
set -euo pipefail
exe="$1"
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|ole32|oleaut32|ws2_32|msvcrt|version|shlwapi|api-ms-win-[a-z0-9-]+)\.dll$'
bad=$(echo "$dlls" | grep -v -E "$allowed" || true)
if [ -n "$bad" ]; then
    echo "check-imports: $exe imports non-system DLLs: $bad" >&2
    exit 1
fi
echo "check-imports: $exe imports only: $(echo $dlls)"
