#!/usr/bin/env python3
"""Generates src/platform/posix_tables.inc: the tables behind the POSIX platform layer's code
page 932 conversion, half-width mapping and locale comparison, taken from what the Win32 calls
answer under Wine (ANSI code page 932, Japanese user locale).

Usage (from the repository root, after building the windows preset):
    tools/platform-tables/generate.py [--dump FILE] [--output FILE]

Without --dump it runs `scripts/wine-run build/windows/bin/platform-dump.exe a2w w2a hwa hww keys`
itself. The script checks that the rules the POSIX layer applies on top of the tables (lone lead
bytes, the half-width mapping of narrow text through UTF-16, the sort-key construction) reproduce
every answer in the dump, and stops with an error when one does not.
"""

import argparse
import os
import subprocess
import sys
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_OUTPUT = os.path.join(ROOT, "src", "platform", "posix_tables.inc")
DEFAULT_CHAR = 0x30FB  # what code page 932 decodes an unassigned or broken code to

LEADS = [b for b in range(0x100) if 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC]
TRAILS = [b for b in range(0x40, 0xFD) if b != 0x7F]


def fail(message):
    sys.exit("generate.py: " + message)


# --- reading the dump ------------------------------------------------------------------------


def units_of(text):
    return [] if text == "-" else [int(text[i:i + 4], 16) for i in range(0, len(text), 4)]


def bytes_of(text):
    return b"" if text == "-" else bytes.fromhex(text)


def read_dump(lines):
    sections = {}
    for line in lines:
        fields = line.split()
        if len(fields) == 3:
            sections.setdefault(fields[0], []).append((fields[1], fields[2]))
    for name in ("a2w", "w2a", "hwa", "hww", "key"):
        if name not in sections:
            fail("the dump has no %s section" % name)
    return sections


# --- code page 932 -> UTF-16 ------------------------------------------------------------------


def decode_tables(rows):
    answers = {bytes_of(i): units_of(o) for i, o in rows}
    single = []
    for b in range(0x100):
        got = answers[bytes([b])]
        if len(got) != 1:
            fail("byte %02X decodes to %r" % (b, got))
        single.append(got[0])
    pairs = {}
    for lead in LEADS:
        if single[lead] != DEFAULT_CHAR:
            fail("a lone lead byte %02X does not decode to U+30FB" % lead)
        for trail in TRAILS:
            got = answers[bytes([lead, trail])]
            if len(got) != 1:
                fail("%02X%02X decodes to %r" % (lead, trail, got))
            pairs[lead, trail] = got[0]
    return single, pairs


def decode(text, single, pairs):
    """Code page 932 to UTF-16 as the POSIX layer does it: a lead byte takes the next byte with
    it unless that byte is NUL or missing; a pair outside the table is the default character."""
    out = []
    i = 0
    while i < len(text):
        b = text[i]
        if b in LEADS:
            if i + 1 < len(text) and text[i + 1] != 0:
                out.append(pairs.get((b, text[i + 1]), DEFAULT_CHAR))
                i += 2
                continue
            out.append(DEFAULT_CHAR)
        else:
            out.append(single[b])
        i += 1
    return out


def check_decode(rows, single, pairs):
    for i, o in rows:
        if decode(bytes_of(i), single, pairs) != units_of(o):
            fail("the decoding rule does not give the answer for %s (%s)" % (i, o))


# --- UTF-16 -> code page 932 ------------------------------------------------------------------


def code_order(single, pairs):
    """Every code in code order with its unit: the single bytes, then lead and trail pairs."""
    for b in range(0x100):
        if b not in LEADS:
            yield bytes([b]), single[b]
    for lead in LEADS:
        for trail in TRAILS:
            yield bytes([lead, trail]), pairs[lead, trail]


def default_encoding(single, pairs):
    """The encoding the POSIX layer derives by inverting the decode table: a later code wins over
    an earlier one for the same unit, and codes that decode to the default character are left
    out."""
    encode = {}
    for code, unit in code_order(single, pairs):
        if unit != DEFAULT_CHAR:
            encode[unit] = code
    return encode


def encode_exceptions(rows, single, pairs):
    encode = default_encoding(single, pairs)
    answers = {}
    for i, o in rows:
        units = units_of(i)
        if len(units) == 1:
            answers[units[0]] = bytes_of(o)
    exceptions = []
    for unit in range(0x10000):
        want = answers[unit]
        if encode.get(unit, b"?") != want:
            exceptions.append((unit, want))
    # Texts of several units convert unit by unit.
    for unit, want in exceptions:
        encode[unit] = want
    for i, o in rows:
        units = units_of(i)
        if len(units) > 1 and b"".join(encode.get(u, b"?") for u in units) != bytes_of(o):
            fail("w2a of %s is not the conversion of its units" % i)
    return exceptions, encode


# --- half-width ---------------------------------------------------------------------------------


def half_width_map(rows):
    mapping = {}
    for i, o in rows:
        units = units_of(i)
        if len(units) == 1 and units_of(o) != units:
            mapping[units[0]] = units_of(o)
    for i, o in rows:
        units = units_of(i)
        if len(units) > 1 and sum((mapping.get(u, [u]) for u in units), []) != units_of(o):
            fail("hww of %s is not the mapping of its units" % i)
    for unit, to in mapping.items():
        if len(to) > 2:
            fail("U+%04X maps to more than two units" % unit)
    return mapping


def check_half_width_ansi(rows, single, pairs, encode, mapping):
    for i, o in rows:
        wide = sum((mapping.get(u, [u]) for u in decode(bytes_of(i), single, pairs)), [])
        got = b"".join(encode.get(u, b"?") for u in wide)
        if got != bytes_of(o):
            fail("hwa of %s is not the narrow form of the wide mapping (%s, got %s)" %
                 (i, o, got.hex()))


# --- sort weights -------------------------------------------------------------------------------

# How a unit takes part in the sort key; the names match the WeightKind enumerators of posix.cpp.
IGNORED = "kIgnored"
PRIMARY = "kPrimary"
PRIMARY_NO_DIACRITIC = "kPrimaryNoDiacritic"
EXPANSION = "kExpansion"
PUNCTUATION = "kPunctuation"
MARK = "kMark"
LONG_VOWEL = "kLongVowel"
REPEAT = "kRepeat"
VOICED_REPEAT = "kVoicedRepeat"
IDEOGRAPHIC_REPEAT = "kIdeographicRepeat"

# The units whose weights come from the character before them (U+FFFF as their weight when
# nothing stands before them). Which of the four behaviours each has is checked against the keys.
CONTEXT_KINDS = {
    0x30FC: LONG_VOWEL, 0xFF70: LONG_VOWEL, 0x2015: LONG_VOWEL,
    0x309D: REPEAT, 0x30FD: REPEAT,
    0x309E: VOICED_REPEAT, 0x30FE: VOICED_REPEAT,
    0x3005: IDEOGRAPHIC_REPEAT,
}

KANA, SMALL, KATAKANA, HALF_WIDTH = 1, 2, 4, 8
KANA_SCRIPT = 0x22
THREE_BYTE_SCRIPTS = (0xA9, 0xAA, 0xAF)


def key_levels(key):
    levels = key.split(b"\x01")
    if len(levels) != 5 or not levels[4].endswith(b"\x00"):
        fail("unexpected sort key %s" % key.hex())
    levels[4] = levels[4][:-1]
    return levels


class Weight:
    """The weights of one unit: kind, kana flags, diacritic and case weight, primary weight."""

    def __init__(self, kind, flags=0, diacritic=2, case=2, primary=0):
        self.kind, self.flags, self.diacritic, self.case, self.primary = (
            kind, flags, diacritic, case, primary)

    def group(self):
        return (self.kind, self.flags, self.diacritic, self.case)


def weight_of(unit, key, expansions):
    primary, diacritic, case, kana, special = key_levels(key)
    if unit in CONTEXT_KINDS:
        if primary != b"\xff\xff" or diacritic or case or kana or special:
            fail("U+%04X does not weigh like a mark taking its weight from before" % unit)
        # Its own width counts (for the long-vowel mark); the half-width forms are U+FF61-FF9F.
        return Weight(CONTEXT_KINDS[unit], HALF_WIDTH if 0xFF61 <= unit <= 0xFF9F else 0)
    if not primary:
        if special:
            if len(special) != 4 or special[:2] != b"\xff\xff" or diacritic or case:
                fail("unexpected punctuation key for U+%04X" % unit)
            return Weight(PUNCTUATION, case=special[3], primary=special[2])
        if diacritic:
            if len(diacritic) != 1 or case or kana:
                fail("unexpected mark key for U+%04X" % unit)
            return Weight(MARK, diacritic=diacritic[0])
        if diacritic or case or kana:
            fail("unexpected key for U+%04X" % unit)
        return Weight(IGNORED)
    if special:
        fail("U+%04X has both a primary and a punctuation weight" % unit)
    if primary[0] in THREE_BYTE_SCRIPTS:
        if len(primary) != 3 or diacritic or kana or len(case) > 1:
            fail("unexpected three-byte key for U+%04X" % unit)
        return Weight(PRIMARY_NO_DIACRITIC, case=case[0] if case else 2,
                      primary=int.from_bytes(primary, "big"))
    if len(primary) == 4:
        if kana or len(diacritic) > 2 or len(case) > 2:
            fail("unexpected expansion key for U+%04X" % unit)
        d = list(diacritic) + [2] * (2 - len(diacritic))
        c = list(case) + [2] * (2 - len(case))
        expansions.append((unit, int.from_bytes(primary[:2], "big"), d[0], c[0],
                           int.from_bytes(primary[2:], "big"), d[1], c[1]))
        return Weight(EXPANSION, primary=len(expansions) - 1)
    if len(primary) != 2 or len(diacritic) > 1 or len(case) > 1:
        fail("unexpected key for U+%04X" % unit)
    flags = 0
    if primary[0] == KANA_SCRIPT:
        # small kana | 0xFF | 0x02 | katakana | 0xFF | half width | 0xFF
        small, rest = kana.split(b"\xff", 1)
        if rest[:1] != b"\x02":
            fail("unexpected kana weights for U+%04X" % unit)
        katakana, width, end = rest[1:].split(b"\xff")
        if small not in (b"", b"\xc4") or katakana not in (b"", b"\xc4") or \
                width not in (b"", b"\xc4") or end:
            fail("unexpected kana weights for U+%04X" % unit)
        flags = KANA | (SMALL if small else 0) | (KATAKANA if katakana else 0) | \
            (HALF_WIDTH if width else 0)
    elif kana:
        fail("U+%04X has kana weights outside the kana script" % unit)
    return Weight(PRIMARY, flags, diacritic[0] if diacritic else 2, case[0] if case else 2,
                  int.from_bytes(primary, "big"))


class Collation:
    """The sort-key construction of the POSIX layer over the generated weights (posix.cpp's
    SortKey does the same), used here to check the tables against every key in the dump."""

    def __init__(self, weights, expansions, vowels):
        self.weights, self.expansions, self.vowels = weights, expansions, vowels

    def key(self, units):
        level1, level2, level3, kana, punctuation = [], [], [], [], []
        base = None  # primary bytes, diacritic (None without a slot), kana weights
        for unit in units:
            w = self.weights[unit]
            if w.kind in (LONG_VOWEL, REPEAT, VOICED_REPEAT, IDEOGRAPHIC_REPEAT):
                if base is None:
                    level1.append(b"\xff\xff")
                    continue
                primary, diacritic, slot = base
                if slot is not None:
                    if w.kind == LONG_VOWEL:
                        primary = self.vowels[int.from_bytes(primary, "big")].to_bytes(2, "big")
                    diacritic = {LONG_VOWEL: 2, REPEAT: 2, VOICED_REPEAT: 3,
                                 IDEOGRAPHIC_REPEAT: 5}[w.kind]
                    own_width = w.kind == LONG_VOWEL
                    kana.append((slot[0], 5 if w.kind == LONG_VOWEL else 4, slot[2],
                                 bool(w.flags & HALF_WIDTH) if own_width else slot[3]))
                level1.append(primary)
                if diacritic is not None:
                    level2.append(diacritic)
                level3.append(2)
            elif w.kind == PUNCTUATION:
                position = 0xFFFF - len(level1)
                punctuation.append(position.to_bytes(2, "big") + bytes([w.primary, w.case]))
                base = (bytes([6, w.primary]), 2, None)
            elif w.kind == MARK:
                if level2:
                    level2[-1] += w.diacritic
                else:
                    level2.append(w.diacritic)
            elif w.kind == EXPANSION:
                _, p1, d1, c1, p2, d2, c2 = self.expansions[w.primary]
                level1 += [p1.to_bytes(2, "big"), p2.to_bytes(2, "big")]
                level2 += [d1, d2]
                level3 += [c1, c2]
                base = None
            elif w.kind == PRIMARY_NO_DIACRITIC:
                primary = w.primary.to_bytes(3, "big")
                level1.append(primary)
                level3.append(w.case)
                base = (primary, None, None)
            elif w.kind == PRIMARY:
                primary = w.primary.to_bytes(2, "big")
                level1.append(primary)
                level2.append(w.diacritic)
                level3.append(w.case)
                slot = None
                if w.flags & KANA:
                    slot = (bool(w.flags & SMALL), 3, bool(w.flags & KATAKANA),
                            bool(w.flags & HALF_WIDTH))
                    kana.append(slot)
                base = (primary, w.diacritic, slot)

        def trimmed(values, plain):
            values = list(values)
            while values and values[-1] == plain:
                values.pop()
            return bytes(v & 0xFF for v in values)

        key = b"".join(level1) + b"\x01" + trimmed(level2, 2) + b"\x01" + trimmed(level3, 2)
        key += b"\x01"
        if kana:
            key += trimmed([0xC4 if k[0] else 0xC6 for k in kana], 0xC6) + b"\xff"
            key += trimmed([k[1] for k in kana], 3) + b"\x02"
            key += trimmed([0xC4 if k[2] else 0xE4 for k in kana], 0xE4) + b"\xff"
            key += trimmed([0xC4 if k[3] else 0xC5 for k in kana], 0xC5) + b"\xff"
        return key + b"\x01" + b"".join(punctuation) + b"\x00"


def sort_weights(rows, single, pairs):
    keys = {tuple(units_of(i)): bytes_of(o) for i, o in rows}
    weights, expansions = {}, []
    order = []
    for _, unit in code_order(single, pairs):
        if unit not in weights:
            if (unit,) not in keys:
                fail("the dump has no sort key for U+%04X" % unit)
            weights[unit] = weight_of(unit, keys[(unit,)], expansions)
            order.append(unit)
    # The long-vowel mark after a kana takes the weight of that kana's vowel.
    vowels = {}
    for unit, w in weights.items():
        if w.flags & KANA:
            key = keys.get((unit, 0x30FC))
            if key is None:
                fail("the dump has no key for U+%04X before the long-vowel mark" % unit)
            primary = key_levels(key)[0]
            vowel = int.from_bytes(primary[2:], "big")
            if vowels.setdefault(w.primary, vowel) != vowel:
                fail("kana of the same weight %04X have different vowels" % w.primary)
    collation = Collation(weights, expansions, vowels)
    for units, key in keys.items():
        if any(u not in weights for u in units):
            fail("the dump has a key for units outside code page 932: %r" % (units,))
        if collation.key(units) != key:
            fail("the sort-key construction does not give the key of %s: %s, not %s" %
                 (" ".join("%04X" % u for u in units), key.hex(), collation.key(units).hex()))
    return order, weights, expansions, vowels


# --- writing the tables -----------------------------------------------------------------------

# Step from one primary weight to the next within a row of the weight table, one character each.
DELTA_DIGITS = ("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                "!#$%&'()*+,-./:;<=>@[]^_`{|}~")


def literal_char(unit):
    c = chr(unit)
    category = unicodedata.category(c)
    plain = (category[0] in "LNPS" and category not in ("Co", "Cn") and
             unicodedata.normalize("NFC", c) == c and c not in "\"\\" and unit >= 0xA0)
    return c if plain else "\\u%04X" % unit


def weight_rows(order, weights):
    rows = []
    for unit in order:
        w = weights[unit]
        last = rows[-1] if rows else None
        if last is not None and last[0].group() == w.group():
            delta = w.primary - last[2]
            if 0 <= delta < len(DELTA_DIGITS):
                last[1].append(DELTA_DIGITS[delta])
                last[2] = w.primary
                continue
        rows.append([w, [], w.primary])
    return rows


def write_tables(path, single, pairs, exceptions, mapping, order, weights, expansions, vowels):
    out = []
    emit = out.append
    emit("// Generated by tools/platform-tables/generate.py from the answers of the Win32 calls")
    emit("// under Wine (ANSI code page 932, Japanese user locale), as printed by platform-dump.exe.")
    emit("// Do not edit. To regenerate, build the windows preset and run, from the repository root,")
    emit("//   tools/platform-tables/generate.py")
    emit("// The Wine tests (ctest -L wine) compare the POSIX layer built on these tables with Win32.")
    emit("// clang-format off")
    emit("")
    emit("// MultiByteToWideChar(932) of every single byte; lead bytes alone give U+30FB.")
    emit("constexpr char16_t kSingleByteUnits[256] = {")
    for row in range(0, 256, 16):
        emit("    " + " ".join("0x%04X," % u for u in single[row:row + 16]))
    emit("};")
    emit("")
    emit("// MultiByteToWideChar(932) of every lead byte (0x81-0x9F, 0xE0-0xFC) with every trail byte")
    emit("// (0x40-0x7E, 0x80-0xFC): 188 units per lead byte, in code order. Unassigned codes give")
    emit("// U+30FB.")
    emit("constexpr char16_t kPairUnits[] =")
    for lead in LEADS:
        units = [pairs[lead, t] for t in TRAILS]
        for half in (units[:94], units[94:]):
            emit("    u\"" + "".join(literal_char(u) for u in half) + "\"")
    emit("    ;")
    emit("static_assert(sizeof kPairUnits / sizeof kPairUnits[0] == 60 * 188 + 1);")
    emit("")
    emit("// WideCharToMultiByte(932) answers that differ from inverting kPairUnits and")
    emit("// kSingleByteUnits (where two codes decode to one unit, the later code): best-fit")
    emit("// characters and the codes Windows prefers among duplicates. {unit, code}; a code above")
    emit("// 0xFF is two bytes.")
    emit("constexpr struct {")
    emit("  char16_t unit;")
    emit("  std::uint16_t code;")
    emit("} kEncodeExceptions[] = {")
    items = ["{0x%04X, 0x%s}" % (u, code.hex().upper()) for u, code in exceptions]
    for row in range(0, len(items), 6):
        emit("    " + ", ".join(items[row:row + 6]) + ",")
    emit("};")
    emit("")
    emit("// LCMapStringW(LCMAP_HALFWIDTH): {unit, first, second}, sorted by unit; second is 0 when")
    emit("// the unit maps to one unit. Units not listed map to themselves.")
    emit("constexpr struct {")
    emit("  char16_t unit, first, second;")
    emit("} kHalfWidth[] = {")
    items = ["{0x%04X, 0x%04X, 0x%04X}" % (u, to[0], to[1] if len(to) > 1 else 0)
             for u, to in sorted(mapping.items())]
    for row in range(0, len(items), 4):
        emit("    " + ", ".join(items[row:row + 4]) + ",")
    emit("};")
    emit("")
    emit("// LCMapStringW(LCMAP_SORTKEY | NORM_IGNORECASE) weights of every unit code page 932 decodes")
    emit("// to, one record per unit in the order the units first appear in code order (single bytes,")
    emit("// then the pairs). Each row holds records of one kind, kana flags, diacritic and case")
    emit("// weight: the first with the primary weight given, each further one with the primary weight")
    emit("// of the one before plus the step written as one character of kDeltaDigits.")
    emit("// kPunctuation keeps its weight in the primary and its case weight in the case column;")
    emit("// kExpansion's primary indexes kExpansions.")
    emit("constexpr char kDeltaDigits[] = \"%s\";" % DELTA_DIGITS)
    emit("constexpr struct {")
    emit("  WeightKind kind;")
    emit("  std::uint8_t kanaFlags, diacritic, caseWeight;")
    emit("  std::uint32_t primary;")
    emit("  const char* steps;")
    emit("} kWeightRows[] = {")
    for w, steps, _ in weight_rows(order, weights):
        text = "".join(steps)
        lines = [text[i:i + 64] for i in range(0, len(text), 64)] or [""]
        head = "    {WeightKind::%s, %d, 0x%02X, 0x%02X, 0x%06X, " % (
            w.kind, w.flags, w.diacritic, w.case, w.primary)
        if len(lines) == 1:
            emit(head + "\"%s\"}," % lines[0])
        else:
            emit(head)
            for line in lines[:-1]:
                emit("     \"%s\"" % line)
            emit("     \"%s\"}," % lines[-1])
    emit("};")
    emit("")
    emit("// Units that weigh as two characters: {unit, primary, diacritic, case} for each of the two.")
    emit("constexpr struct {")
    emit("  char16_t unit;")
    emit("  struct {")
    emit("    std::uint16_t primary;")
    emit("    std::uint8_t diacritic, caseWeight;")
    emit("  } first, second;")
    emit("} kExpansions[] = {")
    for unit, p1, d1, c1, p2, d2, c2 in expansions:
        emit("    {0x%04X, {0x%04X, 0x%02X, 0x%02X}, {0x%04X, 0x%02X, 0x%02X}}," %
             (unit, p1, d1, c1, p2, d2, c2))
    emit("};")
    emit("")
    emit("// The long-vowel mark after a kana weighs as that kana's vowel: {kana primary weight, vowel")
    emit("// primary weight}, sorted.")
    emit("constexpr struct {")
    emit("  std::uint16_t kana, vowel;")
    emit("} kVowels[] = {")
    items = ["{0x%04X, 0x%04X}" % kv for kv in sorted(vowels.items())]
    for row in range(0, len(items), 6):
        emit("    " + ", ".join(items[row:row + 6]) + ",")
    emit("};")
    emit("// clang-format on")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dump", help="platform-dump.exe output to read instead of running it")
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    args = parser.parse_args()
    if args.dump:
        with open(args.dump, encoding="ascii") as f:
            lines = f.read().splitlines()
    else:
        exe = os.path.join(ROOT, "build", "windows", "bin", "platform-dump.exe")
        run = subprocess.run([os.path.join(ROOT, "scripts", "wine-run"), exe,
                              "a2w", "w2a", "hwa", "hww", "keys"],
                             check=True, capture_output=True, text=True)
        lines = run.stdout.splitlines()
    sections = read_dump(line.rstrip("\r") for line in lines)

    single, pairs = decode_tables(sections["a2w"])
    check_decode(sections["a2w"], single, pairs)
    exceptions, encode = encode_exceptions(sections["w2a"], single, pairs)
    mapping = half_width_map(sections["hww"])
    check_half_width_ansi(sections["hwa"], single, pairs, encode, mapping)
    order, weights, expansions, vowels = sort_weights(sections["key"], single, pairs)
    write_tables(args.output, single, pairs, exceptions, mapping, order, weights, expansions,
                 vowels)
    print("generate.py: wrote %s (%d encode exceptions, %d half-width mappings, %d weights in %d"
          " rows)" % (os.path.relpath(args.output, ROOT), len(exceptions), len(mapping),
                      len(order), len(weight_rows(order, weights))))


if __name__ == "__main__":
    main()
