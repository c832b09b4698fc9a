// Digits and truth values: how many numbers a text holds, whether a given
// number stands alone in it, whether it holds a long enough run of digits,
// what boolean it spells; and a copy of its code units into 8-bit bytes.
//
// A digit here is an ASCII digit, '0' to '9' only; a number is a maximal run
// of them ("12.5" holds two, "-3" holds one). A nil string reads as empty.
// The trailing-run trimming that sits beside these (trimSuffixCharacter) is
// in strings/Trimming.h: it edits a MutableString in place.
#pragma once

#include <cstdint>
#include <span>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN

namespace orvin {

// True when integerValue is not 0; otherwise a caseless match of the whole
// string with "on", "yes" or "true", chosen by length. Leading or trailing
// white space spoils a word but not a number.
//   boolValue(u"YES")       // true
//   boolValue(u"12abc")     // true
//   boolValue(u" yes")      // false
[[nodiscard]] bool boolValue(const String& s);

// The number of maximal runs of ASCII digits; 0 also when a long compact
// string cannot be copied for want of memory.
//   countNumbers(u"a1b22c333")  // 3
[[nodiscard]] NSUInteger countNumbers(const String& s);

// True when `number` occurs in `s` with no ASCII digit directly before or
// after it. `number` need not be all digits: any text is searched for with
// digit boundaries. False for a nil or empty `number`, and when the work
// memory to read either text cannot be had. After a rejected occurrence the
// search resumes behind it, so overlapping occurrences are not examined.
//   containsNumber(u"page 12 of 123", u"12")  // true
//   containsNumber(u"2323", u"23")            // false
[[nodiscard]] bool containsNumber(const String& s, const String& number);

// True when some run of at least `digits` consecutive ASCII digits exists.
// False for 0 and for any count above the length (2^63 and above included).
//   containsNumberWithNDigits(u"tel 12345", 5)  // true
//   containsNumberWithNDigits(u"12a34", 3)      // false
[[nodiscard]] bool containsNumberWithNDigits(const String& s, NSUInteger digits);

// Writes the low 8 bits of each code unit into `buffer`, at most its size
// and without a terminator, and answers the count written: min(length,
// buffer size), or 0 when a long compact string cannot be copied.
//   std::uint8_t out[3];
//   getChars(u"a\u20AC", out)  // 2: {0x61, 0xAC}
[[nodiscard]] NSUInteger getChars(const String& s, std::span<std::uint8_t> buffer);

}  // namespace orvin

ORVIN_PUBLIC_END
