// Single code-unit scans: count, find first and last, find one of a set,
// the punctuation and angle-bracket tests, and replacing one code unit by
// another.
//
// A character is one UTF-16 code unit. Case-insensitively, x matches c when
// c has case forms (upperCharsTable and lowerCharsTable differ on it) and
// both have the same upper-case table entry; otherwise only c itself
// matches. When the case tables cannot be built, a case-insensitive scan
// answers its empty result (0, NSNotFound, false, or the string itself).
// A start at or past the end gives the empty result too.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"
#include "paths/CaseMode.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

//   countCharacter(u"AaBa", u'a', CaseMode::insensitive)  // 3
[[nodiscard]] NSUInteger countCharacter(const String& s, unichar c, NSUInteger start,
                                        CaseMode mode = CaseMode::sensitive);
[[nodiscard]] inline NSUInteger countCharacter(const String& s, unichar c,
                                               CaseMode mode = CaseMode::sensitive) {
  return countCharacter(s, c, 0, mode);
}

// The lowest matching index not below `start`, or NSNotFound.
//   findCharacter(u"Banana", u'a')  // 1
[[nodiscard]] NSUInteger findCharacter(const String& s, unichar c, NSUInteger start,
                                       CaseMode mode = CaseMode::sensitive);
[[nodiscard]] inline NSUInteger findCharacter(const String& s, unichar c,
                                              CaseMode mode = CaseMode::sensitive) {
  return findCharacter(s, c, 0, mode);
}

[[nodiscard]] inline bool containsCharacter(const String& s, unichar c, NSUInteger start,
                                            CaseMode mode = CaseMode::sensitive) {
  return findCharacter(s, c, start, mode) != NSNotFound;
}
[[nodiscard]] inline bool containsCharacter(const String& s, unichar c,
                                            CaseMode mode = CaseMode::sensitive) {
  return containsCharacter(s, c, 0, mode);
}

// The highest matching index not below `start` (the lowest index looked
// at), or NSNotFound.
//   findLastCharacter(u"abab", u'a', 2)  // 2
[[nodiscard]] NSUInteger findLastCharacter(const String& s, unichar c, NSUInteger start,
                                           CaseMode mode = CaseMode::sensitive);
[[nodiscard]] inline NSUInteger findLastCharacter(const String& s, unichar c,
                                                  CaseMode mode = CaseMode::sensitive) {
  return findLastCharacter(s, c, 0, mode);
}

// The lowest index not below `start` holding any code unit of `set`;
// NSNotFound for a nil or empty set. Case-insensitively every unit is
// compared by its upper-case table entry.
//   findOneOf(u"a=b?c", u"?&;=#")  // 1
[[nodiscard]] NSUInteger findOneOf(const String& s, const String& set, NSUInteger start,
                                   CaseMode mode = CaseMode::sensitive);
[[nodiscard]] inline NSUInteger findOneOf(const String& s, const String& set,
                                          CaseMode mode = CaseMode::sensitive) {
  return findOneOf(s, set, 0, mode);
}

// Bits of the punctuation mask of containsCharacters.
enum PunctuationMask : NSUInteger {
  kPunctuationPeriod = 1,
  kPunctuationAt = 2,
  kPunctuationSlash = 4,
  kPunctuationQuestion = 8,
  kPunctuationSemicolon = 16,
  kPunctuationUnderscore = 32,
  kPunctuationAsterisk = 64,
  kPunctuationDollar = 128,
};

// True when every character the mask selects occurs; false for mask 0, an
// empty string, or bits outside the eight above.
//   containsCharacters(u"1.0 @ noon", kPunctuationPeriod | kPunctuationAt)  // true
[[nodiscard]] bool containsCharacters(const String& s, NSUInteger mask);

// Counts "<" and ">" into the pointers that are not null; true when the two
// counts are equal and not 0.
//   countLTGT(u"<a><b>", &lt, &gt)  // true, 2 and 2
bool countLTGT(const String& s, NSUInteger* lt, NSUInteger* gt);

// `s` with every code unit matching `c` replaced by `r`; `s` itself when
// nothing changes (or the work memory cannot be had), nil for nil.
//   stringByReplacingCharacter(u"Aa", u'a', u'x', CaseMode::insensitive)  // u"xx"
[[nodiscard]] String stringByReplacingCharacter(const String& s, unichar c, unichar r,
                                                CaseMode mode = CaseMode::sensitive);
// The same with the flag the other way round: true matches exactly.
[[nodiscard]] inline String stringByReplacingCharacterWithCharacterCaseSensitive(
    const String& s, unichar c, unichar r, bool caseSensitive) {
  return stringByReplacingCharacter(s, c, r,
                                    caseSensitive ? CaseMode::sensitive : CaseMode::insensitive);
}

// ROT13 of the ASCII letters; always a new string, nil for nil and when
// memory runs out.
//   stringByRotating13(u"Hello, World!")  // u"Uryyb, Jbeyq!"
[[nodiscard]] String stringByRotating13(const String& s);
// Rotation of the ASCII letters by n mod 26; `s` itself when that is 0.
//   stringByRotating(u"zZ", 27)  // u"aA"
[[nodiscard]] String stringByRotating(const String& s, NSUInteger n);

}  // namespace orvin
ORVIN_PUBLIC_END
