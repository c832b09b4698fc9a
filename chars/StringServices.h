// Comparison, search and number reading over Strings: the platform string
// services the library stands on, on ICU.
//
// Case-insensitive comparison and search fold each code point with simple
// (one-to-one) case folding, so every match keeps the code-unit positions
// and length of the original text. Full folding ("ß" to "ss") and the
// Turkic dotted and dotless i are not done.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Compares the code units of `range` of `s` with the whole of `other`.
// options: 0 (exact) or kCompareCaseInsensitive, which orders by the folded
// code units. nil counts as empty. Reads both texts in place, so it needs no
// work memory and cannot fail for want of it.
// Raises NSRangeException when `range` does not lie inside `s`.
//   compareRange(u"xABC", {1, 3}, u"abc", kCompareCaseInsensitive)  // NSOrderedSame
[[nodiscard]] NSComparisonResult compareRange(const String& s, NSRange range, const String& other,
                                              NSUInteger options);

// Finds `needle` inside `searchRange` of `s`; {NSNotFound, 0} when absent or
// when the needle is empty. options: kCompareCaseInsensitive,
// kCompareBackwards (the last match), kCompareAnchored (only at the start,
// or at the end when backwards). Raises NSRangeException for a bad range,
// whatever the needle. When the work memory to read either text cannot be
// had, the answer is {NSNotFound, 0}.
//   rangeOfString(u"a.b.c", u".", kCompareBackwards, {0, 5})  // {3, 1}
[[nodiscard]] NSRange rangeOfString(const String& s, const String& needle, NSUInteger options,
                                    NSRange searchRange);

// Exact prefix test; an empty or nil prefix is not a prefix.
[[nodiscard]] bool hasPrefix(const String& s, const String& prefix);

// Leading white space skipped, an optional sign, then decimal digits; 0 when
// there are none. Saturates at the 64-bit limits.
//   integerValue(u"  -42 apples")  // -42
[[nodiscard]] NSInteger integerValue(const String& s);

// Leading white space skipped, then the longest decimal number there: an
// optional sign, digits with an optional "." and fraction, an optional
// exponent ("e-3"); 0 when there is none. The same in every locale ("1.5" is
// one and a half under de_DE too). Too large gives infinity with the sign,
// too small 0.
//   doubleValue(u" 2.25 kg")  // 2.25
//   doubleValue(u"1,5")       // 1
[[nodiscard]] double doubleValue(const String& s);

}  // namespace orvin
ORVIN_PUBLIC_END
