// Character set reps: classes of characters as flat 8192-byte bitmaps, one
// bit per UTF-16 code unit value (bit c & 7 of byte c >> 3), so membership is
// one load, one shift and one mask. The library's eight reps are built once
// per process from the predefined character sets; callers may pass reps of
// their own in the same layout.
//
// A rep whose memory cannot be allocated is answered as nullptr and built
// again on the next request. The scans below treat a null rep as having no
// members.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

inline constexpr std::size_t kCharacterSetRepBytes = 8192;

// Membership of code unit `c` in `rep` (which must not be null).
//   isInCharacterSetRep(digitCharacterSetRep(), u'7')  // true
inline bool isInCharacterSetRep(const std::uint8_t* rep, unichar c) {
  return (rep[c >> 3] >> (c & 7)) & 1;
}

// The library's reps, built on first request; nullptr when memory runs out.
//   const std::uint8_t* white = whiteCharacterSetRep();
// No members.
[[nodiscard]] const std::uint8_t* emptyCharacterSetRep() noexcept;
// Horizontal space: the whitespace set (Zs and tab) plus U+0000.
[[nodiscard]] const std::uint8_t* spaceCharacterSetRep() noexcept;
// All white space and line breaks plus U+0000, U+0003, U+00A0, U+2028,
// U+2029, U+FEFF and U+FFFC.
[[nodiscard]] const std::uint8_t* whiteCharacterSetRep() noexcept;
// Letters and marks (L*, M*).
[[nodiscard]] const std::uint8_t* alphaCharacterSetRep() noexcept;
// Letters, marks and numbers (L*, M*, N*).
[[nodiscard]] const std::uint8_t* alphaNumCharacterSetRep() noexcept;
// Decimal digits of every script (Nd).
[[nodiscard]] const std::uint8_t* digitCharacterSetRep() noexcept;
// Lower-case letters (Ll).
[[nodiscard]] const std::uint8_t* lowerCharacterSetRep() noexcept;
// Upper-case and title-case letters (Lu, Lt).
[[nodiscard]] const std::uint8_t* upperCharacterSetRep() noexcept;

// The lowest and the highest code unit of the alpha rep; 0 when the rep
// is empty or cannot be built.
//   firstAlphaCharacter()  // u'A'
[[nodiscard]] unichar firstAlphaCharacter() noexcept;
[[nodiscard]] unichar lastAlphaCharacter() noexcept;

// True when some code unit of `s` is in `rep`; false for an empty string, a
// null rep, or when a work buffer cannot be allocated.
//   characterPartOfSet(u"abc1", digitCharacterSetRep())  // true
[[nodiscard]] bool characterPartOfSet(const String& s, const std::uint8_t* rep);

// The number of code units of `s` in `rep`; 0 for an empty string, a null
// rep, or when a work buffer cannot be allocated.
//   countCharactersPartOfSet(u"a1b22", digitCharacterSetRep())  // 3
[[nodiscard]] NSUInteger countCharactersPartOfSet(const String& s, const std::uint8_t* rep);

// `ifEmpty` for an empty (or nil) string; otherwise true when every code unit
// of `s` is in `rep`. A null rep has no members (false); when a work buffer
// cannot be allocated the answer is false, since membership went unchecked.
//   charactersPartOfSet(u"123", digitCharacterSetRep(), false)  // true
[[nodiscard]] bool charactersPartOfSet(const String& s, const std::uint8_t* rep, bool ifEmpty);

// String methods over the reps, with the scans' answers for empty strings,
// null reps and allocation failure.
//   containsDigitCharacter(u"abc")       // false
//   countWhiteCharacters(u"a b\n")       // 2
//   isSpaceString(u"")                   // true
//   isDigitString(u"")                   // false
[[nodiscard]] bool containsCharacterPartOfCharacterSetRep(const String& s, const std::uint8_t* rep);
[[nodiscard]] bool containsAlphaNumCharacter(const String& s);
[[nodiscard]] bool containsAlphaCharacter(const String& s);
[[nodiscard]] bool containsWhiteCharacter(const String& s);
[[nodiscard]] bool containsDigitCharacter(const String& s);
[[nodiscard]] NSUInteger countCharactersPartOfCharacterSetRep(const String& s,
                                                              const std::uint8_t* rep);
[[nodiscard]] NSUInteger countAlphaNumCharacters(const String& s);
[[nodiscard]] NSUInteger countAlphaCharacters(const String& s);
[[nodiscard]] NSUInteger countWhiteCharacters(const String& s);
[[nodiscard]] NSUInteger countDigitCharacters(const String& s);
// Empty strings are space and white strings, but not digit, alpha or
// alphaNum strings.
[[nodiscard]] bool isSpaceString(const String& s);
[[nodiscard]] bool isWhiteString(const String& s);
[[nodiscard]] bool isDigitString(const String& s);
[[nodiscard]] bool isAlphaString(const String& s);
[[nodiscard]] bool isAlphaNumString(const String& s);

}  // namespace orvin
ORVIN_PUBLIC_END
