#!/usr/bin/env python3
"""Compares the POSIX platform layer's text operations with the Win32 calls under Wine.

Runs platform-dump.exe under scripts/wine-run and posix-dump with the same sections and corpus,
compares their output line by line and prints the number of differences per operation. Exits 1
when a difference is not listed in the allow-list file, 77 (skipped) when the Windows build or
Wine is missing.

Allow-list lines: "<operation> <input in hex>", then an optional "# reason"; blank lines and lines
starting with "#" are ignored.
"""

import argparse
import collections
import os
import shutil
import subprocess
import sys

SECTIONS = ["a2w", "w2a", "hwa", "hww", "cmp"]
OPERATIONS = {
    "a2w": "AnsiToWide",
    "w2a": "WideToAnsi",
    "hwa": "HalfWidthAnsi",
    "hww": "HalfWidthWide",
    "cmp empty": "CompareIgnoreCase, empty texts",
    "cmp char": "CompareIgnoreCase, every character sorted",
    "cmp pair": "CompareIgnoreCase, two-character texts sorted",
    "cmp random": "CompareIgnoreCase, random texts sorted",
    "cmp corpus": "CompareIgnoreCase, contributor entries sorted",
    "cmp signs": "CompareIgnoreCase, contributor entries pairwise",
}


def operation_and_input(line):
    fields = line.split()
    if fields and fields[0] == "cmp" and len(fields) >= 3:
        return "cmp " + fields[1], fields[2]
    return (fields[0], fields[1]) if len(fields) >= 2 else (line, "")


def read_allow_list(path):
    allowed = set()
    if path:
        with open(path, encoding="utf-8") as f:
            for raw in f:
                line = raw.split("#", 1)[0].split()
                if len(line) == 3 and line[0] == "cmp":
                    allowed.add(("cmp " + line[1], line[2]))
                elif len(line) == 2:
                    allowed.add((line[0], line[1]))
                elif line:
                    sys.exit("compare_dumps.py: bad allow-list line: " + raw.rstrip())
    return allowed


def run(command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("compare_dumps.py: %s failed (%d): %s" %
                 (" ".join(command), result.returncode, result.stderr.strip()))
    return result.stdout.replace("\r", "").splitlines()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--windows-dump", required=True)
    parser.add_argument("--posix-dump", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--allow-list")
    args = parser.parse_args()

    if not os.path.exists(args.windows_dump):
        print("compare_dumps.py: %s is missing; build the windows preset" % args.windows_dump)
        return 77
    if shutil.which("wine") is None:
        print("compare_dumps.py: wine is not installed (scripts/setup installs it)")
        return 77
    corpus = os.path.abspath(args.corpus)
    # Wine's drive Z: is the POSIX root.
    windows = run([args.wine_run, args.windows_dump] + SECTIONS + ["--corpus", "Z:" + corpus])
    posix = run([args.posix_dump] + SECTIONS + ["--corpus", corpus])
    allowed = read_allow_list(args.allow_list)

    lines = collections.Counter()
    differences = collections.defaultdict(list)
    if len(windows) != len(posix):
        print("the dumps differ in length: %d lines from Win32, %d from POSIX" %
              (len(windows), len(posix)))
    for w, p in zip(windows, posix):
        key = operation_and_input(w)
        if key[0] == "cmp signs":
            # One line holds the signs of one entry against every entry: count each sign.
            signs_w, signs_p = w.split()[-1], p.split()[-1]
            lines[key[0]] += len(signs_w)
            mismatched = sum(1 for a, b in zip(signs_w, signs_p) if a != b)
            mismatched += abs(len(signs_w) - len(signs_p))
            if w.split()[:3] != p.split()[:3]:
                mismatched = max(mismatched, 1)
            differences[key[0]] += [(key, w, p)] * mismatched
            continue
        lines[key[0]] += 1
        if w != p:
            differences[key[0]].append((key, w, p))

    unexpected = 0
    print("%-52s %8s %11s %8s" % ("operation", "inputs", "differences", "allowed"))
    for op in list(OPERATIONS) + sorted(set(lines) - set(OPERATIONS)):
        diffs = differences.get(op, [])
        allowed_here = sum(1 for key, _, _ in diffs if key in allowed)
        unexpected += len(diffs) - allowed_here
        name = OPERATIONS.get(op, op)
        print("%-52s %8d %11d %8d" % (name, lines[op], len(diffs), allowed_here))
    for op, diffs in differences.items():
        shown = []
        for d in diffs:
            if d[0] not in allowed and d not in shown and len(shown) < 20:
                shown.append(d)
        for _, w, p in shown:
            print("  Win32: %s\n  POSIX: %s" % (w, p))
    if len(windows) != len(posix):
        return 1
    return 1 if unexpected else 0


if __name__ == "__main__":
    sys.exit(main())
