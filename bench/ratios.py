#!/usr/bin/env python3
"""Tables for bench/README.md from Google Benchmark JSON output.

    ratios.py run.json            anchor/ours ratios and ns per code unit
    ratios.py before.json after.json [rerun.json ...]
                                  the ratios before and after, side by side;
                                  a later run replaces what it measured again

Uses the median CPU time of repeated runs (--benchmark_repetitions).
"""
import json
import sys

# (ours, anchor, label)
PAIRS = [
    ("BM_Find_Utf16", "BM_Find_Icu", "`rangeOfString` vs `u_strFindFirst`"),
    ("BM_Find_Compact", "BM_Find_Icu", "same, compact storage"),
    ("BM_FindNoCase_Utf16", "BM_FindNoCase_IcuFoldFind",
     "`rangeOfString` caseless vs `u_strFoldCase` + `u_strFindFirst`"),
    ("BM_FindNoCase_Compact", "BM_FindNoCase_IcuFoldFind", "same, compact storage"),
    ("BM_Compare_Utf16", "BM_Compare_Icu", "`compareRange` vs `u_strCompare`"),
    ("BM_Compare_Compact", "BM_Compare_Icu", "same, compact storage"),
    ("BM_CompareNoCase_Utf16", "BM_CompareNoCase_IcuFoldCompare",
     "`compareRange` caseless vs `u_strFoldCase` + `u_strCompare`"),
    ("BM_CompareNoCase_Compact", "BM_CompareNoCase_IcuFoldCompare", "same, compact storage"),
    ("BM_HasPrefix_Utf16", "BM_HasPrefix_StartsWith", "`hasPrefix` vs `u16string_view::starts_with`"),
    ("BM_HasPrefix_Compact", "BM_HasPrefix_StartsWith", "same, compact storage"),
    ("BM_EqualNoCase_Utf16", "BM_EqualNoCase_IcuCaseCompare",
     "`isEqualToStringNoCase` vs `u_strCaseCompare`"),
    ("BM_EqualNoCase_Compact", "BM_EqualNoCase_IcuCaseCompare", "same, compact storage"),
    ("BM_WithUtf8", "BM_WithUtf8_IcuFromUtf8", "`String::withUtf8` vs `UnicodeString::fromUTF8`"),
    ("BM_WithLatin1", "BM_WithLatin1_StdStringCopy", "`String::withLatin1` vs copying a `std::string`"),
    ("BM_Lines_Utf16", "BM_Lines_SplitCopying", "`lines` vs a split that copies each line"),
    ("BM_Lines_Compact", "BM_Lines_SplitCopying", "same, compact storage"),
    ("BM_Uppercase_Utf16", "BM_Uppercase_IcuToUpper", "`uppercase` vs `u_strToUpper`"),
    ("BM_Uppercase_Compact", "BM_Uppercase_IcuToUpper", "same, compact storage"),
    ("BM_Lowercase_Utf16", "BM_Lowercase_IcuToLower", "`lowercase` vs `u_strToLower`"),
    ("BM_Lowercase_Compact", "BM_Lowercase_IcuToLower", "same, compact storage"),
    ("BM_NormalizeC_Utf16", "BM_NormalizeC_IcuNormalize", "`normalize(C)` of NFC text vs `unorm2_normalize`"),
    ("BM_NormalizeC_Compact", "BM_NormalizeC_IcuNormalize", "same, compact storage"),
    ("BM_Hash_Utf16", "BM_Hash_StdU16StringView", "`std::hash<String>` vs `std::hash<u16string_view>`"),
    ("BM_Hash_Compact", "BM_Hash_StdU16StringView", "same, compact storage"),
    ("BM_CountSubstring_Utf16", "BM_CountSubstring_Find",
     "`countSubstring` vs a `u16string_view::find` loop"),
    ("BM_CountSubstring_Compact", "BM_CountSubstring_Find", "same, compact storage"),
    ("BM_ContainsSubstring_Utf16", "BM_ContainsSubstring_Find",
     "`containsSubstring` vs `u16string_view::find`"),
    ("BM_ContainsSubstring_Compact", "BM_ContainsSubstring_Find", "same, compact storage"),
]
SIZES = [(1 << 10, "1 KiB"), (1 << 20, "1 MiB"), (1 << 26, "64 MiB")]
TEXTS = 3


def load(path):
    with open(path) as f:
        data = json.load(f)
    times = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median":
            continue
        times[b["run_name"]] = b["cpu_time"]
    return times


def cell(times, ours, anchor, size, fmt):
    values = []
    for text in range(TEXTS):
        key = "/%d/%d" % (text, size)
        if ours + key not in times:
            continue
        values.append(fmt(times, ours + key, anchor + key, size))
    return " / ".join(values) if values else "-"


def ratio(times, ours, anchor, size):
    if anchor not in times:
        return "?"
    return "%.2f" % (times[anchor] / times[ours])


def per_unit(times, ours, anchor, size):
    return "%.3g" % (times[ours] / size)


def table(times, fmt, header):
    lines = ["| %s | %s |" % (header, " | ".join(s for _, s in SIZES)),
             "|---|" + "---|" * len(SIZES)]
    for ours, anchor, label in PAIRS:
        if not any(k.startswith(ours + "/") for k in times):
            continue
        label = label if fmt is ratio else "`%s`" % ours[3:]
        lines.append("| %s | %s |" % (label, " | ".join(cell(times, ours, anchor, s, fmt)
                                                         for s, _ in SIZES)))
    return "\n".join(lines)


def main():
    runs = [load(p) for p in sys.argv[1:]]
    if len(runs) == 1:
        print(table(runs[0], ratio, "ours vs anchor (anchor time / ours)"))
        print()
        print(table(runs[0], per_unit, "ns per code unit"))
        return
    before, after = runs[0], runs[1]
    for rerun in runs[2:]:
        # A benchmark re-measured replaces its anchors too, so that each
        # ratio comes from one run.
        after.update(rerun)
    # The sizes both runs measured beside their anchors.
    sizes = [(s, name) for s, name in SIZES if any(k.endswith("/%d" % s) for k in before)]
    lines = ["| anchor time / ours: before → after | %s |" % " | ".join(n for _, n in sizes),
             "|---|" + "---|" * len(sizes)]
    for ours, anchor, label in PAIRS:
        if not any(k.startswith(ours + "/") for k in after):
            continue
        cells = []
        for size, _ in sizes:
            old = cell(before, ours, anchor, size, ratio)
            new = cell(after, ours, anchor, size, ratio)
            cells.append("%s → **%s**" % (old, new) if old != "-" else "(new) **%s**" % new)
        lines.append("| %s | %s |" % (label, " | ".join(cells)))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
