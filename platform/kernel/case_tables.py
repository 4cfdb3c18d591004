#!/usr/bin/env python3
"""Prints one of the case tables of case_fold.cpp: fold, lower or upper.

The runs come from the Unicode data of the Python that runs this (its
unicodedata.unidata_version), over the blocks case_fold.h names. A pair
counts only when both letters lie in those blocks.

    python3 platform/kernel/case_tables.py fold
"""
import sys

COVERED = [
    (0x0000, 0x024F), (0x0250, 0x02AF), (0x1E00, 0x1EFF), (0x2C60, 0x2C7F), (0xA720, 0xA7FF),  # Latin
    (0x0370, 0x03FF),  # Greek and Coptic
    (0x0400, 0x04FF), (0x0500, 0x052F), (0x1C80, 0x1C8F), (0xA640, 0xA69F),  # Cyrillic
    (0x0530, 0x058F),  # Armenian
    (0xFF00, 0xFFEF),  # Halfwidth and fullwidth forms
]
def covered(c): return any(a <= c <= b for a, b in COVERED)
def single(s, c):
    return ord(s) if len(s) == 1 else c
def fold(c):
    ch = chr(c)
    f = ch.casefold()
    if len(f) == 1: return ord(f)
    l = ch.lower()
    if len(l) == 1: return ord(l)
    return c
def lower(c): return single(chr(c).lower(), c)
def upper(c): return single(chr(c).upper(), c)
def table(fn):
    pairs = []
    for lo, hi in sorted(COVERED):
        for c in range(lo, hi + 1):
            t = fn(c)
            if t != c and covered(t): pairs.append((c, t - c))
    runs = []
    for c, d in pairs:
        if runs:
            f, l, dd, step = runs[-1]
            if dd == d and step is not None and c == l + step:
                runs[-1] = (f, c, d, step); continue
            if dd == d and step is None and c - l in (1, 2):
                runs[-1] = (f, c, d, c - l); continue
        runs.append((c, c, d, None))
    return [(f, l, d, s or 1) for f, l, d, s in runs]
name = sys.argv[1]
fn = {'fold': fold, 'lower': lower, 'upper': upper}[name]
t = table(fn)
print(f"// {len(t)} runs", file=sys.stderr)
for f, l, d, s in t:
    print(f"    {{0x{f:04X}, 0x{l:04X}, {d}, {s}}},")
