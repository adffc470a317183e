#!/usr/bin/env python3
"""Builds each end-to-end case's expected.txt from the hand-derived record lines.

expected/<profile>.lines lists, per book, the items of its output line as they stand in the
line (see the head of plain.lines). A case names its profile and the books it expects, in
order ("books" in case.json); its expected.txt is those lines in Shift-JIS (code page 932),
each followed by CR LF. A case whose "books" is null expects no output file and has no
expected.txt.

  tests/e2e/make_expected.py           write every case's expected.txt
  tests/e2e/make_expected.py --check   only report the cases whose expected.txt is stale
"""

import argparse
import json
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
ITEMS = 68
# Items no rule fills (the unnamed fields and the two fixed empty items 20 and 41) and item
# 17, the work address, which is emptied before the line is built.
ALWAYS_EMPTY = {12, 15, 17, 20, 24, 39, 40, 41, 67, 68}
ALWAYS_EMPTY |= set(range(28, 36)) | set(range(42, 47)) | set(range(48, 66))


class LinesError(Exception):
    pass


def _check_item(where, number, text):
    if number in ALWAYS_EMPTY and text:
        raise LinesError(f"{where}: item {number} is never filled")
    quoted = len(text) >= 2 and text[0] == '"' and text[-1] == '"'
    inner = text[1:-1] if quoted else text
    needs_quotes = any(ord(c) <= 0x20 for c in inner)
    if '"' in inner or "," in inner:
        raise LinesError(f'{where}: item {number} holds \'"\' or \',\', which never reach a line')
    if quoted and not needs_quotes:
        raise LinesError(f"{where}: item {number} is quoted but holds no space or control")
    if needs_quotes and not quoted:
        raise LinesError(f"{where}: item {number} holds a space or control and must be quoted")
    try:
        text.encode("cp932")
    except UnicodeEncodeError as error:
        raise LinesError(f"{where}: item {number} is not code page 932: {error}") from None


def read_lines_file(path):
    """{key: [68 item texts]} from a .lines file."""
    books = {}
    current = None
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        where = f"{path.name}:{number}"
        line = raw.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        if line.startswith("== "):
            key = line[3:].strip()
            if key in books:
                raise LinesError(f"{where}: {key} given twice")
            current = books[key] = [None] * ITEMS
            continue
        if current is None:
            raise LinesError(f"{where}: item before the first '== KEY' line")
        stripped = line.lstrip(" ")
        head, _, text = stripped.partition(" ")
        if not head.isdigit() or not 1 <= int(head) <= ITEMS:
            raise LinesError(f"{where}: expected 'NUMBER TEXT'")
        item = int(head)
        if current[item - 1] is not None:
            raise LinesError(f"{where}: item {item} given twice")
        _check_item(where, item, text)
        current[item - 1] = text
    return {key: [t or "" for t in items] for key, items in books.items()}


def line_bytes(items):
    return ",".join(items).encode("cp932") + b"\r\n"


def case_dirs():
    return sorted(p.parent for p in (HERE / "cases").glob("*/case.json"))


def load_case(case_dir):
    with open(case_dir / "case.json", encoding="utf-8") as f:
        return json.load(f)


def expected_output(case, profiles=None):
    """The bytes the case's output file must hold, or None when it must not exist."""
    books = case.get("books")
    if books is None:
        return None
    profile = case.get("profile", "plain")
    if profiles is None:
        profiles = {}
    if profile not in profiles:
        profiles[profile] = read_lines_file(HERE / "expected" / f"{profile}.lines")
    table = profiles[profile]
    out = b""
    for key in books:
        if key not in table:
            raise LinesError(f"no line for {key} in expected/{profile}.lines")
        out += line_bytes(table[key])
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="report stale files, change nothing")
    args = parser.parse_args()
    profiles = {}
    stale = []
    for case_dir in case_dirs():
        want = expected_output(load_case(case_dir), profiles)
        path = case_dir / "expected.txt"
        have = path.read_bytes() if path.exists() else None
        if have == want:
            continue
        stale.append(case_dir.name)
        if args.check:
            continue
        if want is None:
            path.unlink()
        else:
            path.write_bytes(want)
    if stale:
        print(("stale: " if args.check else "written: ") + " ".join(stale))
    return 1 if (args.check and stale) else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except LinesError as error:
        print(f"make_expected: {error}", file=sys.stderr)
        sys.exit(1)
