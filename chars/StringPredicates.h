// Yes-or-no questions about a whole string or a range of it: emptiness,
// ASCII, accented letters, letter case, mashed words; caseless equality in
// three flavours (Unicode case-insensitive comparison, ASCII folding, accent
// and case folding) with prefix, suffix and range variants; exact equality
// of a range.
//
// A nil receiver counts as the empty string. A nil `other` makes every
// equality, prefix and suffix test false, except rangeIsEqualTo and
// rangeIsEqualToNoCase over a range of length 0. Strings of different
// lengths are never equal. A range that does not lie inside the receiver
// answers false. The table-based tests answer false when their conversion
// table cannot be built; they make no copies and no allocation.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// True when `s` is nil or has length 0.
//   isStringEmpty(String())  // true
[[nodiscard]] bool isStringEmpty(const String& s);

// True when `s` is present and has length above 0.
//   isStringNotEmpty(u"")  // false
[[nodiscard]] bool isStringNotEmpty(const String& s);

// True when every code unit is below 128; true for the empty string.
//   isAsciiString(u"Cafe")  // true
[[nodiscard]] bool isAsciiString(const String& s);

// True when some code unit loses an accent in the umlauts table; false for
// the empty string.
//   isUmlautedString(u"Café")  // true
[[nodiscard]] bool isUmlautedString(const String& s);

// True when the lower-case table leaves every code unit as it is ("ß" and
// U+0130, whose lower-case form has two units, count as lower case); true for
// the empty string.
//   isLowerCaseString(u"abc 123!")  // true
[[nodiscard]] bool isLowerCaseString(const String& s);

// True when the upper-case table leaves every code unit as it is; true for
// the empty string.
//   isUpperCaseString(u"ABC 123")  // true
[[nodiscard]] bool isUpperCaseString(const String& s);

// True when the string starts as a mashed word (see isMashedWordCharacters);
// false when its work buffer cannot be allocated.
//   isMashedWord(u"HelloWorld")  // true
[[nodiscard]] bool isMashedWord(const String& s);

// True when `other` is present, of the same length, and equal to `s` but for
// letter case (simple case folding).
//   isEqualToStringNoCase(u"ABC", u"abc")  // true
//   isEqualToStringNoCase(u"ß", u"SS")     // false: lengths differ
[[nodiscard]] bool isEqualToStringNoCase(const String& s, const String& other);

// True when `other` is present, of the same length, and the ASCII folds
// (accents removed, upper case, anything not ASCII then a space) agree at
// every index.
//   isAsciiEqualToStringNoCase(u"Café", u"CAFE")  // true
[[nodiscard]] bool isAsciiEqualToStringNoCase(const String& s, const String& other);

// True when `other` is present, of the same length, and the upper umlauts
// entries agree at every index.
//   isNonUmlautedEqualToStringNoCase(u"Ärger", u"aRGER")  // true
[[nodiscard]] bool isNonUmlautedEqualToStringNoCase(const String& s, const String& other);

// True when `other` is present and not empty and `s` begins with it, letter
// case aside.
//   hasPrefixNoCase(u"Hello", u"he")  // true
[[nodiscard]] bool hasPrefixNoCase(const String& s, const String& other);

// True when `other` is present and not empty and `s` ends with it, letter
// case aside.
//   hasSuffixNoCase(u"File.TXT", u".txt")  // true
[[nodiscard]] bool hasSuffixNoCase(const String& s, const String& other);

// True when `range` of `s` holds exactly the code units of `other` (nil
// counts as empty here).
//   rangeIsEqualTo(u"abcdef", {2, 3}, u"cde")  // true
//   rangeIsEqualTo(u"abcdef", {2, 0}, String())  // true
[[nodiscard]] bool rangeIsEqualTo(const String& s, NSRange range, const String& other);

// As rangeIsEqualTo, letter case aside.
//   rangeIsEqualToNoCase(u"xABC", {1, 3}, u"abc")  // true
[[nodiscard]] bool rangeIsEqualToNoCase(const String& s, NSRange range, const String& other);

// As isAsciiEqualToStringNoCase over `range` of `s`; `other` must be present.
//   rangeIsAsciiEqualToNoCase(u"xCafé", {1, 4}, u"cafe")  // true
[[nodiscard]] bool rangeIsAsciiEqualToNoCase(const String& s, NSRange range, const String& other);

// As isNonUmlautedEqualToStringNoCase over `range` of `s`; `other` must be
// present.
//   rangeIsNonUmlautedEqualToNoCase(u"-Öl", {1, 2}, u"OL")  // true
[[nodiscard]] bool rangeIsNonUmlautedEqualToNoCase(const String& s, NSRange range,
                                                   const String& other);

}  // namespace orvin
ORVIN_PUBLIC_END
