// Finding substrings: next or previous around a selection, contains and
// count, any of a list, and a fast search for ASCII needles.
//
// Case-insensitive matching of Strings folds as rangeOfString does (simple
// case folding, one code unit for one). A nil or empty needle never occurs.
#pragma once

#include <span>

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"
#include "paths/CaseMode.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

enum class SearchDirection { forward, backward };

// The next occurrence of `needle` after the selection `range` (forward) or
// the previous one before it (backward); with `wrap`, the search then goes
// on from the other end of the text. An occurrence that overlaps the
// selection's edge counts on the wrap pass; the selection itself is never
// answered. {NSNotFound, 0} when there is none, when the needle is nil or
// empty, or when `range` does not lie inside `s`.
//   findString(u"ab xx ab", u"ab", {0, 2}, CaseMode::sensitive, SearchDirection::forward, false)
//     // {6, 2}
[[nodiscard]] NSRange findString(const String& s, const String& needle, NSRange range,
                                 CaseMode mode, SearchDirection direction, bool wrap);

//   containsSubstring(u"xabcx", u"ABC", CaseMode::insensitive)  // true
[[nodiscard]] bool containsSubstring(const String& s, const String& needle,
                                     CaseMode mode = CaseMode::sensitive);

// Occurrences counted left to right without overlap.
//   countSubstring(u"aaaa", u"aa")  // 2
[[nodiscard]] NSUInteger countSubstring(const String& s, const String& needle,
                                        CaseMode mode = CaseMode::sensitive);

// True when any of `needles` occurs in `s`; nil needles are skipped.
//   containsSubstrings(u"a cat", std::array<String, 2>{u"dog", u"cat"})  // true
[[nodiscard]] bool containsSubstrings(const String& s, std::span<const String> needles,
                                      CaseMode mode = CaseMode::sensitive);

// True when any of the ASCII C-string `needles` occurs in `s`, compared
// byte for code unit: a needle byte of 128 or above never matches, and null
// or empty needles are skipped. Case-insensitively both sides are lowered,
// so "Cat" finds "cAT"; false when the case table cannot be built.
//   containsSubCStrings(u"Cat", std::array{"cat"}, CaseMode::insensitive)  // true
[[nodiscard]] bool containsSubCStrings(const String& s, std::span<const char* const> needles,
                                       CaseMode mode = CaseMode::sensitive);

// The search behind containsSubCStrings: each code unit of `s`, and each
// needle byte below 128, go through `table` first when it is not null.
// Reads `s` in place; needs no memory.
[[nodiscard]] bool fastContainsSubCStrings(const String& s, std::span<const char* const> needles,
                                           const unichar* table);

}  // namespace orvin
ORVIN_PUBLIC_END
