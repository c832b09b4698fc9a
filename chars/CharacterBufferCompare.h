// Comparison primitives over raw character buffers: searching for a short
// sequence, three-way comparison, equality through a conversion table,
// equality that looks only at the members of a character set rep, the white
// space test and the mashed-word test.
//
// Buffers are a pointer and a length, no terminator. "Unichars" buffers hold
// UTF-16 code units; "Chars" buffers hold 8-bit characters, meant to be
// ASCII, where a byte stands for the code unit of the same value. A byte from
// 0x80 to 0xFF is taken as a signed 8-bit value: against another byte it
// sorts below 0x00, against a code unit it stands for 0xFF80 to 0xFFFF, and
// an exact search never matches it.
//
// Case-insensitive variants compare upper-case table entries (no other
// folding: "ß" does not match "SS"). When the upper table cannot be built
// they compare the units as they are.
#pragma once

#include <cstdint>

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// ---- Searches: the first (lowest) match in the haystack, or nullptr. -------
// An empty needle is never found, nor one longer than the haystack.

// Exact search for `subchars` inside `chars`.
//   const unichar h[] = u"xabab";
//   fastContainsUnichars(h, 5, u"ab", 2)  // h + 1
[[nodiscard]] const unichar* fastContainsUnichars(const unichar* chars, NSUInteger length,
                                                  const unichar* subchars, NSUInteger sublength);

// Search comparing upper-case table entries.
//   fastCaseInsensitiveContainsUnichars(u"hello world", 11, u"WORLD", 5)  // points at index 6
[[nodiscard]] const unichar* fastCaseInsensitiveContainsUnichars(const unichar* chars,
                                                                 NSUInteger length,
                                                                 const unichar* subchars,
                                                                 NSUInteger sublength);

// Exact search for a byte needle; a needle holding a byte above 0x7F is
// never found.
//   fastUnicharsContainChars(u"hello", 5, "lo", 2)  // points at index 3
[[nodiscard]] const unichar* fastUnicharsContainChars(const unichar* chars, NSUInteger length,
                                                      const char* subchars, NSUInteger sublength);

// Byte needle, comparing upper-case table entries.
//   fastCaseInsensitiveUnicharsContainChars(u"Hello", 5, "LL", 2)  // points at index 2
[[nodiscard]] const unichar* fastCaseInsensitiveUnicharsContainChars(const unichar* chars,
                                                                     NSUInteger length,
                                                                     const char* subchars,
                                                                     NSUInteger sublength);

// Searches `inCharacters` for the byte needle `chars`: exact when
// `caseSensitive`, else as fastCaseInsensitiveUnicharsContainChars.
//   positionOfCharacters("B", 1, u"abc", 3, false)  // points at index 1
[[nodiscard]] const unichar* positionOfCharacters(const char* chars, NSUInteger length,
                                                  const unichar* inCharacters, NSUInteger inLength,
                                                  bool caseSensitive);

// ---- Three-way comparisons. ------------------------------------------------
// At the first index where the (converted) units differ: the first unit
// minus the second, as unsigned values; when one is a prefix of the other:
// the first length minus the second. Not reduced to -1/0/1.

// Code units as they are.
//   fastCompareUnichars(u"abc", 3, u"abd", 3)  // -1
//   fastCompareUnichars(u"ab", 2, u"abcd", 4)  // -2
[[nodiscard]] NSInteger fastCompareUnichars(const unichar* chars, NSUInteger length,
                                            const unichar* otherChars, NSUInteger otherLength);

// Compares table[c] (65536 entries); a null table compares units as they are.
//   fastCompareUnicharsUsingConversionTable(u"Ä", 1, u"a", 1, initLowerUmlautsCharsTable())  // 0
[[nodiscard]] NSInteger fastCompareUnicharsUsingConversionTable(const unichar* chars,
                                                                NSUInteger length,
                                                                const unichar* otherChars,
                                                                NSUInteger otherLength,
                                                                const unichar* table);

// Compares upper-case table entries.
//   fastCaseInsensitiveCompareUnichars(u"a", 1, u"B", 1)  // -1
[[nodiscard]] NSInteger fastCaseInsensitiveCompareUnichars(const unichar* chars, NSUInteger length,
                                                           const unichar* otherChars,
                                                           NSUInteger otherLength);

// Code units against bytes, as they are.
//   fastCompareUnicharsWithChars(u"abc", 3, "abd", 3)  // -1
[[nodiscard]] NSInteger fastCompareUnicharsWithChars(const unichar* chars, NSUInteger length,
                                                     const char* otherChars,
                                                     NSUInteger otherLength);

// Code units against bytes, upper-case table entries.
//   fastCaseInsensitiveCompareUnicharsWithChars(u"abc", 3, "ABC", 3)  // 0
[[nodiscard]] NSInteger fastCaseInsensitiveCompareUnicharsWithChars(const unichar* chars,
                                                                    NSUInteger length,
                                                                    const char* otherChars,
                                                                    NSUInteger otherLength);

// Bytes against bytes, as they are (signed: 0x80 sorts below 0x00).
//   fastCompareChars("a", 1, "c", 1)  // -2
[[nodiscard]] NSInteger fastCompareChars(const char* chars, NSUInteger length,
                                         const char* otherChars, NSUInteger otherLength);

// Bytes against bytes, upper-case table entries (bytes above 0x7F as they
// are, still below 0x00).
//   fastCaseInsensitiveCompareChars("abc", 3, "ABD", 3)  // -1
[[nodiscard]] NSInteger fastCaseInsensitiveCompareChars(const char* chars, NSUInteger length,
                                                        const char* otherChars,
                                                        NSUInteger otherLength);

// Same as fastCompareUnichars.
//   compareCharacters(u"b", 1, u"a", 1)  // 1
[[nodiscard]] NSInteger compareCharacters(const unichar* chars, NSUInteger length,
                                          const unichar* otherChars, NSUInteger otherLength);

// Same as fastCaseInsensitiveCompareUnichars.
//   caseInsensitiveCompareCharacters(u"abc", 3, u"ABC", 3)  // 0
[[nodiscard]] NSInteger caseInsensitiveCompareCharacters(const unichar* chars, NSUInteger length,
                                                         const unichar* otherChars,
                                                         NSUInteger otherLength);

// Same as fastCompareUnicharsWithChars.
//   compareCharacters(u"abc", 3, "ab", 2)  // 1
[[nodiscard]] NSInteger compareCharacters(const unichar* chars, NSUInteger length,
                                          const char* otherChars, NSUInteger otherLength);

// Same as fastCaseInsensitiveCompareUnicharsWithChars.
//   caseInsensitiveCompareCharacters(u"Ab", 2, "aB", 2)  // 0
[[nodiscard]] NSInteger caseInsensitiveCompareCharacters(const unichar* chars, NSUInteger length,
                                                         const char* otherChars,
                                                         NSUInteger otherLength);

// ---- Equality through a conversion table. ----------------------------------

// True when both strings (nil counts as empty) have the same length and
// table[a[i]] == table[b[i]] at every index; a null table asks for identical
// code units. False when the work buffer cannot be allocated.
//   equalStringsUsingConversionTable(u"Äbc", u"abc", initLowerUmlautsCharsTable())  // true
[[nodiscard]] bool equalStringsUsingConversionTable(const String& a, const String& b,
                                                    const unichar* table);

// ---- Equality over the members of a character set rep. ---------------------
// Code units that are not in `rep` are skipped on both sides. A null rep
// (one that could not be built) answers false, except that two empty
// strings are always equal.

// General form: with `noCase` compares upper-case table entries; with
// `prefix` asks whether the members of b form a prefix of the members of a.
//   _equalCharsOfCharacterSetRep(u"a-b", 3, u"ab", 2, alphaNumCharacterSetRep(), false, false)  //
//   true
[[nodiscard]] bool _equalCharsOfCharacterSetRep(const unichar* a, NSUInteger aLength,
                                                const unichar* b, NSUInteger bLength,
                                                const std::uint8_t* rep, bool noCase, bool prefix);

// The members of the rep in a, in order, equal those in b.
//   equalCharsOfCharacterSetRep(u"a b", 3, u"ab", 2, alphaNumCharacterSetRep())  // true
[[nodiscard]] bool equalCharsOfCharacterSetRep(const unichar* a, NSUInteger aLength,
                                               const unichar* b, NSUInteger bLength,
                                               const std::uint8_t* rep);

// As equalCharsOfCharacterSetRep, case-insensitive.
//   equalCharsNoCaseOfCharacterSetRep(u"A b", 3, u"ab", 2, alphaNumCharacterSetRep())  // true
[[nodiscard]] bool equalCharsNoCaseOfCharacterSetRep(const unichar* a, NSUInteger aLength,
                                                     const unichar* b, NSUInteger bLength,
                                                     const std::uint8_t* rep);

// The members of b form a prefix of the members of a.
//   hasPrefixCharsOfCharacterSetRep(u"fo-ob", 5, u"foo", 3, alphaNumCharacterSetRep())  // true
[[nodiscard]] bool hasPrefixCharsOfCharacterSetRep(const unichar* a, NSUInteger aLength,
                                                   const unichar* b, NSUInteger bLength,
                                                   const std::uint8_t* rep);

// As hasPrefixCharsOfCharacterSetRep, case-insensitive.
//   hasPrefixCharsNoCaseOfCharacterSetRep(u"Foo", 3, u"fO", 2, alphaNumCharacterSetRep())  // true
[[nodiscard]] bool hasPrefixCharsNoCaseOfCharacterSetRep(const unichar* a, NSUInteger aLength,
                                                         const unichar* b, NSUInteger bLength,
                                                         const std::uint8_t* rep);

// String form of _equalCharsOfCharacterSetRep (nil counts as empty): copies
// both strings into one work buffer. Two empty strings are equal; false when
// the buffer cannot be allocated.
//   _equalStringsUsingCharacterSetRep(u"a-b", u"ab", alphaNumCharacterSetRep(), false, false)  //
//   true
[[nodiscard]] bool _equalStringsUsingCharacterSetRep(const String& a, const String& b,
                                                     const std::uint8_t* rep, bool noCase,
                                                     bool prefix);

// The members of the rep in a equal those in b.
//   equalStringsUsingCharacterSetRep(u"--", u"", alphaNumCharacterSetRep())  // true
[[nodiscard]] bool equalStringsUsingCharacterSetRep(const String& a, const String& b,
                                                    const std::uint8_t* rep);

// As equalStringsUsingCharacterSetRep, case-insensitive.
//   equalStringsNoCaseUsingCharacterSetRep(u"Hello, World!", u"hello world",
//                                          alphaNumCharacterSetRep())  // true
[[nodiscard]] bool equalStringsNoCaseUsingCharacterSetRep(const String& a, const String& b,
                                                          const std::uint8_t* rep);

// The members of the rep in b form a prefix of those in a.
//   hasPrefixUsingCharacterSetRep(u"foo-bar baz", u"foobar", alphaNumCharacterSetRep())  // true
[[nodiscard]] bool hasPrefixUsingCharacterSetRep(const String& a, const String& b,
                                                 const std::uint8_t* rep);

// As hasPrefixUsingCharacterSetRep, case-insensitive.
//   hasPrefixNoCaseUsingCharacterSetRep(u"Foo-Bar", u"fooB", alphaNumCharacterSetRep())  // true
[[nodiscard]] bool hasPrefixNoCaseUsingCharacterSetRep(const String& a, const String& b,
                                                       const std::uint8_t* rep);

// ---- Tests over one buffer. --------------------------------------------------

// True when every code unit is white (space, line break, NUL, U+0003,
// U+FEFF, U+FFFC, ...); true for length 0. False when the white rep cannot
// be built.
//   onlyWhiteCharacters(u"\t\u00A0", 2)  // true
[[nodiscard]] bool onlyWhiteCharacters(const unichar* chars, NSUInteger length);

// True when the buffer starts as a mashed word: an upper-case letter, one or
// more lower-case letters, an upper-case letter and a lower-case letter;
// what follows is not looked at. False when the case reps cannot be built.
//   isMashedWordCharacters(u"McDo", 4)  // true
//   isMashedWordCharacters(u"McD", 3)   // false
[[nodiscard]] bool isMashedWordCharacters(const unichar* chars, NSUInteger length);

}  // namespace orvin
ORVIN_PUBLIC_END
