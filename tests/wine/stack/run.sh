#!/usr/bin/env bash
# Builds the 32-bit stack check and runs it under Wine against vostrel.dll.
set -euo pipefail
cxx=$1 source=$2 out=$3 dll=$4 wine_run=$5
[ -f "$dll" ] && [ -x "$cxx" ] || { echo "SKIP: the Windows build is not there"; exit 77; }
mkdir -p "$out"
"$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -static -o "$out/stack_check.exe" "$source"
"$wine_run" "$out/stack_check.exe" "$dll" 'C:\'
