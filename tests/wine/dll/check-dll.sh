#!/usr/bin/env bash
# The plug-in DLL exports exactly DownlaodFunc (ordinal 1) and funcGetInfo (ordinal 2) by
# their plain names, and imports nothing but Windows system DLLs.
set -euo pipefail
dll=$1
[ -f "$dll" ] || { echo "SKIP: $dll not built"; exit 77; }
dump=$(i686-w64-mingw32-objdump -p "$dll")

exports=$(printf '%s\n' "$dump" | awk '
  /Export Address Table -- Ordinal Base/ { base = $NF; next }
  /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
  names && /^\t\[/ { gsub(/[\[\]]/, ""); print $1 + base, $2; next }
  names && !/^\t\[/ { names = 0 }')
want=$'1 DownlaodFunc\n2 funcGetInfo'
if [ "$exports" != "$want" ]; then
  printf 'exports differ:\n%s\nwant:\n%s\n' "$exports" "$want"
  exit 1
fi

system='^(kernel32|user32|gdi32|comctl32|msvcrt|advapi32|shell32|ole32|oleaut32|ntdll|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
bad=$(printf '%s\n' "$dump" | awk '/DLL Name:/ { print tolower($3) }' | grep -Ev "$system" || true)
if [ -n "$bad" ]; then
  printf 'imports a DLL that is not part of Windows: %s\n' "$bad"
  exit 1
fi
echo "exports and imports as expected"
