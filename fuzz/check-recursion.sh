#!/usr/bin/env bash
# Fails when any function of the plug-in's own code can call itself, directly or through others:
# the plug-in runs on the host's thread, and a recursion as deep as its input would overflow that
# thread's stack. Builds the escaped sources of the fuzz build (build/fuzz/fuzz/escaped) to LLVM
# bitcode without optimisation, links them and lists the call graph's cycles.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
escaped=$root/build/fuzz/fuzz/escaped/src
[ -d "$escaped" ] || { echo "build the fuzz preset first (scripts/fuzz)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sources=$(ls "$escaped"/{text,catalogue,recordpage,contributors}/*.cpp \
             "$escaped"/plugin/{common,run,main}.cpp "$escaped"/platform/posix.cpp \
             "$escaped"/wait/posix.cpp)
for source in $sources; do
  clang++ -std=c++20 -O0 -emit-llvm -c -I "$escaped" -DVOSTREL_CATALOGUE_URL='"u"' \
    -DVOSTREL_NOIMAGE_URL='"u"' -DVOSTREL_VERSION='"0"' "$source" \
    -o "$work/$(echo "$source" | tr / _).bc"
done
llvm-link-14 "$work"/*.bc -o "$work/all.bc"
# An SCC of two or more functions, or one that calls itself, is a recursion.
cycles=$(opt-14 -enable-new-pm=0 -print-callgraph-sccs -disable-output "$work/all.bc" 2>&1 |
  awk -F' : ' '/^SCC/ { n = split($2, f, ", "); if (n > 2 || $2 ~ /self-loop/) print $2 }' |
  grep -E '_ZN7vostrel|DownlaodFunc|funcGetInfo' | c++filt || true)
functions=$(llvm-nm-14 --defined-only "$work/all.bc" | grep -cE ' [Tt] _ZN7vostrel' || true)
if [ -n "$cycles" ]; then
  echo "recursion in the plug-in's code:"
  echo "$cycles"
  exit 1
fi
echo "no recursion among the plug-in's $functions functions"
