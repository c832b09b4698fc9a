// Words, links and delimited substrings around a position: where the user
// clicked or a cursor stands. Each finder answers a range, {NSNotFound, 0}
// when nothing covers the index; its companion answers the text of that
// range, or "" (nil for a nil string).
//
// Indexes are read as signed 64-bit values: a value at or past the length,
// or one that is negative as a signed number (2^63 and above), finds
// nothing. Only getWordRangeAtIndex maps NSNotFound to the last code unit.
// Everything is a code-unit scan: a character outside the Basic Multilingual
// Plane (a surrogate pair) is in no class, so it ends a word. A class whose
// bitmap cannot be built finds nothing (separators excepted, see below).
#pragma once

#include <cstdint>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN

namespace orvin {

// The maximal run of word characters (letters, marks and numbers: L*, M*,
// N*) that covers `index`; NSNotFound stands for the last code unit.
//   getWordRangeAtIndex(u"hello world", 8)           // {6, 5}
//   getWordRangeAtIndex(u"hello world", NSNotFound)  // {6, 5}
//   getWordRangeAtIndex(u"hello world", 5)           // not found: a space
[[nodiscard]] NSRange getWordRangeAtIndex(const String& s, NSUInteger index);
//   getWordAtIndex(u"foo_bar", 1)  // u"foo"
[[nodiscard]] String getWordAtIndex(const String& s, NSUInteger index);
// The word touching the first or the last code unit, or "".
//   firstWord(u" hello")  // u""
//   lastWord(u"hello world")  // u"world"
[[nodiscard]] String firstWord(const String& s);
[[nodiscard]] String lastWord(const String& s);

// The link (URL-like token) or e-mail address covering `index`. A link runs
// between white space, with "<" allowed before it and ">" after it; trailing
// punctuation (! " ' , . : ; ? and curly quotes) is not part of it. When the
// code unit at `index` is "@", the scan reads an e-mail address: it also
// stops at quotes, "(", "[", "@", "|" and ".." before the "@", at "@" after
// it, and drops ) * ] | from its end. An index on white space or "<"
// (outside an e-mail address) finds the token that follows it.
//   getLinkRangeAtIndex(u"see <ab/cd>, ok", 6)  // {5, 5}: "ab/cd"
//   getLinkAtIndex(u"mail: ab.c@de!", 10)     // u"ab.c@de"
[[nodiscard]] NSRange getLinkRangeAtIndex(const String& s, NSUInteger index);
[[nodiscard]] String getLinkAtIndex(const String& s, NSUInteger index);

// The run of code units not in `separators` (a character set rep) that
// covers `index`. A null rep has no members: the whole string is one run.
//   getSubstringRangeAtIndex(u"a,b;c", 2, rep(",;"))  // {2, 1}
//   getSubstringRangeAtIndex(u"a,b;c", 1, rep(",;"))  // not found
[[nodiscard]] NSRange getSubstringRangeAtIndex(const String& s, NSUInteger index,
                                               const std::uint8_t* separators);
[[nodiscard]] String getSubstringAtIndex(const String& s, NSUInteger index,
                                         const std::uint8_t* separators);

}  // namespace orvin

ORVIN_PUBLIC_END
