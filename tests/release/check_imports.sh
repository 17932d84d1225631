#!/usr/bin/env bash
# A release exe must be one PE32 file importing only DLLs that Windows itself
# has: update.exe (GUI, the default) or tqm530r.exe (second argument: console).
set -euo pipefail
exe=$1
kind=${2:-GUI}
source "$(dirname "$0")/../require.sh"
require_file "$exe" "cmake --preset win32 && cmake --build --preset win32"
require_tools file i686-w64-mingw32-objdump
file "$exe" | grep -q "PE32 executable ($kind) Intel 80386" || { file "$exe"; echo "not a PE32 $kind exe"; exit 1; }
dlls=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
allowed='^(kernel32|user32|gdi32|advapi32|comctl32|ole32|oleaut32|ws2_32|wsock32|msvcrt|shell32|iphlpapi|bcrypt)\.dll$'
bad=$(echo "$dlls" | grep -v -E "$allowed" || true)
echo "imports: $(echo $dlls)"
[ -z "$bad" ] || { echo "imports outside Windows: $bad"; exit 1; }
