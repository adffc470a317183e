#!/usr/bin/env python3
"""Copies C++ sources, spelling every narrow literal that holds non-ASCII text as code page 932
escapes, so that a compiler without -fexec-charset=CP932 (clang) builds the same bytes g++ builds.

  escape-literals.py --out DIR --root ROOT FILE...   copy each FILE to DIR/<FILE relative to ROOT>
  escape-literals.py --table OUT.cpp FILE...         write a program printing every rewritten
                                                     literal (see fuzz/check-literals.cmake)

What is rewritten: ordinary string literals "..." and character literals '...' (no u8/u/U/L
prefix), raw ones included, when they hold a byte above 0x7F. Each non-ASCII character becomes the
\\x escapes of its code page 932 bytes; a following hex digit is split off with `" "`
concatenation (in a character literal, octal escapes are used instead, which never run on).
Literals that are concatenated with a prefixed literal are left alone, as their bytes follow the
prefix. The conversion is glibc's iconv, the one g++ itself uses for -fexec-charset, so the bytes
are the ones g++ would emit, 0x5C trail bytes included.
"""

import argparse
import os
import subprocess
import sys

IDENT = set("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_")
HEX = set("0123456789abcdefABCDEF")
PREFIXES = ("u8", "u", "U", "L")


class Literal:
    """One string or character literal of a source file."""

    def __init__(self, start, end, prefix, raw, quote, body):
        self.start, self.end = start, end  # character offsets of the whole token, prefix included
        self.prefix, self.raw, self.quote, self.body = prefix, raw, quote, body


def scan(text):
    """Yields the literals of a C++ source text, skipping comments and digit separators."""
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = n if j < 0 else j + 2
            continue
        if c == '"' or c == "'":
            # The identifier right before the quote: a literal prefix, or a number/name (then a
            # quote is a digit separator, or the code is malformed).
            k = i
            while k > 0 and text[k - 1] in IDENT:
                k -= 1
            word = text[k:i]
            raw = word.endswith("R") and c == '"' and word[:-1] in ("",) + PREFIXES
            prefix = word[:-1] if raw else word
            if word and not raw and word not in PREFIXES:
                if c == "'":
                    i += 1  # digit separator such as 1'000
                    continue
                prefix = ""  # e.g. a macro name glued to a literal; treat as ordinary
                k = i
            if raw:
                open_paren = text.index("(", i + 1)
                delim = text[i + 1:open_paren]
                close = text.index(")" + delim + '"', open_paren + 1)
                body = text[open_paren + 1:close]
                end = close + len(delim) + 2
            else:
                j = i + 1
                while j < n and text[j] != c:
                    if text[j] == "\\":
                        j += 1
                    elif text[j] == "\n":
                        raise SyntaxError("unterminated literal at offset %d" % i)
                    j += 1
                body = text[i + 1:j]
                end = j + 1
            yield Literal(k if prefix or raw else i, end, prefix, raw, c, body)
            i = end
            continue
        i += 1


def needs_rewrite(lit):
    return lit.prefix == "" and any(ord(ch) > 0x7F for ch in lit.body)


def concatenation_groups(text, literals):
    """Groups adjacent string literals (only blanks and comments between them)."""
    groups, current = [], []
    for lit in literals:
        if lit.quote != '"':
            if current:
                groups.append(current)
            groups.append([lit])
            current = []
            continue
        if current:
            between = text[current[-1].end:lit.start]
            if strip_comments(between).strip() == "":
                current.append(lit)
                continue
            groups.append(current)
        current = [lit]
    if current:
        groups.append(current)
    return groups


def strip_comments(s):
    out, i = [], 0
    while i < len(s):
        if s.startswith("//", i):
            j = s.find("\n", i)
            i = len(s) if j < 0 else j
        elif s.startswith("/*", i):
            j = s.find("*/", i + 2)
            i = len(s) if j < 0 else j + 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)


class Converter:
    """UTF-8 to code page 932 through glibc's iconv, batched, as g++ converts literals."""

    def __init__(self):
        self.cache = {}

    def prepare(self, runs):
        todo = sorted({r for r in runs if r not in self.cache})
        if not todo:
            return
        # Each run on its own line; newlines map to themselves in code page 932.
        joined = "\n".join(todo) + "\n"
        out = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=joined.encode("utf-8"),
                             capture_output=True, check=False)
        if out.returncode != 0:
            raise ValueError("iconv cannot convert to CP932: %s" % out.stderr.decode(errors="replace"))
        parts = out.stdout.split(b"\n")
        if len(parts) != len(todo) + 1:
            raise ValueError("iconv output does not line up with its input")
        for run, b in zip(todo, parts):
            self.cache[run] = b

    def bytes_of(self, run):
        return self.cache[run]


def non_ascii_runs(body):
    runs, cur = [], []
    for ch in body:
        if ord(ch) > 0x7F:
            cur.append(ch)
        elif cur:
            runs.append("".join(cur))
            cur = []
    if cur:
        runs.append("".join(cur))
    return runs


def raw_to_escaped(body):
    """The body of a raw literal spelled as the body of an ordinary one."""
    out = []
    for ch in body:
        if ch == "\\":
            out.append("\\\\")
        elif ch == '"':
            out.append('\\"')
        elif ch == "\n":
            out.append("\\n")
        elif ch == "?":
            out.append("\\?")  # no trigraphs in C++20, but harmless
        else:
            out.append(ch)
    return "".join(out)


def escape_body(body, quote, conv):
    """Rewrites the non-ASCII characters of an ordinary literal's body as escapes."""
    out = []
    i, n = 0, len(body)
    after_hex_escape = False  # the last thing written was a \x escape that a hex digit would extend
    while i < n:
        ch = body[i]
        if ch == "\\":
            # Copy an escape sequence whole; a \x escape may run on over hex digits.
            j = i + 1
            if j < n and body[j] == "x":
                j += 1
                while j < n and body[j] in HEX:
                    j += 1
                out.append(body[i:j])
                after_hex_escape = True
            elif j < n and body[j] in "01234567":
                k = j
                while k < n and k < j + 3 and body[k] in "01234567":
                    k += 1
                out.append(body[i:k])
                j = k
                after_hex_escape = False
            else:
                out.append(body[i:j + 1])
                j += 1
                after_hex_escape = False
            i = j
            continue
        if ord(ch) > 0x7F:
            j = i
            while j < n and ord(body[j]) > 0x7F:
                j += 1
            for b in conv.bytes_of(body[i:j]):
                out.append("\\%03o" % b if quote == "'" else "\\x%02X" % b)
            i = j
            after_hex_escape = quote == '"'
            continue
        if after_hex_escape and ch in HEX and quote == '"':
            out.append('" "')
        out.append(ch)
        after_hex_escape = False
        i += 1
    return "".join(out)


def rewrite(text, conv):
    """The source text with its non-ASCII narrow literals escaped; also the list of
    (original token, rewritten token) pairs."""
    literals = list(scan(text))
    keep = set()
    for group in concatenation_groups(text, literals):
        if any(l.prefix for l in group):
            keep.update(id(l) for l in group)
    todo = [l for l in literals if id(l) not in keep and needs_rewrite(l)]
    runs = []
    for l in todo:
        runs += non_ascii_runs(l.body)
    conv.prepare(runs)
    out, pos, pairs = [], 0, []
    for l in todo:
        body = raw_to_escaped(l.body) if l.raw else l.body
        new = l.quote + escape_body(body, l.quote, conv) + l.quote
        out.append(text[pos:l.start])
        out.append(new)
        pairs.append((text[l.start:l.end], new, l.quote))
        pos = l.end
    out.append(text[pos:])
    return "".join(out), pairs


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def table_program(pairs, escaped):
    """A program that prints every literal's bytes, one per line, in hex."""
    lines = ["// Generated by fuzz/escape-literals.py --table; do not edit.",
             "#include <cstdio>",
             "#include <cstring>",
             "static void Print(const char* s, std::size_t n) {",
             "  for (std::size_t i = 0; i < n; ++i) std::printf(\"%02X\", (unsigned char)s[i]);",
             "  std::printf(\"\\n\");",
             "}",
             "static void PrintChar(long v) { std::printf(\"%lX\\n\", v); }",
             "int main() {"]
    for original, new, quote in pairs:
        tok = new if escaped else original
        if quote == '"':
            lines.append("  Print(%s, sizeof(%s) - 1);" % (tok, tok))
        else:
            lines.append("  PrintChar(static_cast<long>(%s));" % tok)
    lines += ["  return 0;", "}", ""]
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", help="directory receiving the escaped copies")
    ap.add_argument("--root", help="the files' paths are kept relative to this directory")
    ap.add_argument("--table", help="write a literal table program (with --escaped: rewritten)")
    ap.add_argument("--escaped", action="store_true")
    ap.add_argument("files", nargs="+")
    args = ap.parse_args()
    conv = Converter()
    all_pairs = []
    for path in args.files:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        try:
            new_text, pairs = rewrite(text, conv)
        except (SyntaxError, ValueError) as e:
            sys.exit("%s: %s" % (path, e))
        all_pairs += pairs
        if args.out:
            rel = os.path.relpath(path, args.root) if args.root else os.path.basename(path)
            write_if_changed(os.path.join(args.out, rel), new_text.encode("utf-8"))
    if args.table:
        seen, unique = set(), []
        for p in all_pairs:
            if p[0] not in seen:
                seen.add(p[0])
                unique.append(p)
        write_if_changed(args.table, table_program(unique, args.escaped).encode("utf-8"))


if __name__ == "__main__":
    main()
