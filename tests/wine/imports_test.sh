#!/usr/bin/env bash
# love-show.exe is self-contained: a 64-bit GUI program that imports only libraries every
# Windows installation has (no C++ runtime or thread library DLLs beside it).
set -euo pipefail
exe=$1
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
format=$(x86_64-w64-mingw32-objdump -f "$exe")
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
echo "imports:" $dlls
allowed='^(kernel32|user32|gdi32|winmm|msvcrt|advapi32|shell32|ole32|comctl32|msimg32|api-ms-win-[a-z0-9-]+)\.dll$'
for dll in $dlls; do
    [[ $dll =~ $allowed ]] || { echo "FAIL: imports $dll" >&2; exit 1; }
done
[[ $format == *pei-x86-64* ]] || { echo "FAIL: not a 64-bit executable" >&2; exit 1; }
[[ $headers =~ Subsystem[[:space:]]+0*2[[:space:]]+\(Windows\ GUI\) ]] || { echo "FAIL: not a GUI program" >&2; exit 1; }
[[ $headers == *"Resource Directory"* ]] || { echo "FAIL: no resources (the icon)" >&2; exit 1; }
echo "imports: system libraries only; 64-bit; GUI subsystem; resources present"
