// Trimming: removing characters of one class from the ends of a string, or
// from the ends of a range inside it.
//
// Classes, tested one code unit at a time (a surrogate half is just another
// code unit):
//   space  spaceCharacterSetRep (horizontal white space, U+0009, U+0000)
//   white  whiteCharacterSetRep (space plus line breaks and the feeds)
//   feed   the eight feed characters (strings/FeedCharacters.h)
// The functions ending in `AndFeeds` take `feeds`: false selects the space
// class, true the white class. A rep that cannot be built has no members, so
// nothing is trimmed.
//
// Results: "the string itself" (sharing its storage, see
// String::isIdenticalTo) when nothing is trimmed, the constant "" when every
// code unit is trimmed, else a new substring; the exceptions are noted.
// A nil string gives nil, and an empty range on it.
#pragma once

#include "chars/Export.h"
#include "chars/MutableString.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Leading space (feeds: white) code units removed.
//   stringByTrimmingSpacesOfLeftSideAndFeeds(u"\t a ", false)  // u"a "
[[nodiscard]] String stringByTrimmingSpacesOfLeftSideAndFeeds(const String& s, bool feeds);

// Trailing space (feeds: white) code units removed.
//   stringByTrimmingSpacesOfRightSideAndFeeds(u" a\n", true)  // u" a"
[[nodiscard]] String stringByTrimmingSpacesOfRightSideAndFeeds(const String& s, bool feeds);

// Both ends trimmed. Unlike the one-sided forms, "" gives the constant "".
//   stringByTrimmingSpacesAndFeeds(u"\t a b \n", false)  // u"a b \n"
//   stringByTrimmingSpacesAndFeeds(u"\t a b \n", true)   // u"a b"
[[nodiscard]] String stringByTrimmingSpacesAndFeeds(const String& s, bool feeds);

// The kept span of `range` as a new string (a copy also when nothing is
// trimmed); the constant "" when the range is empty, all in the class, or
// outside the string. The range is first cut at the string's end.
//   stringByTrimmingSpacesInRange(u"ab", {0, 10}, false)  // u"ab"
//   stringByTrimmingSpacesInRange(u"ab", {5, 3}, false)   // u""
[[nodiscard]] String stringByTrimmingSpacesInRange(const String& s, NSRange range, bool feeds);

// The code unit `c` trimmed at both ends, at the start, at the end.
//   stringByTrimmingCharacter(u"--a-b--", u'-')        // u"a-b"
//   stringByTrimmingPrefixCharacter(u"--a-b--", u'-')  // u"a-b--"
//   stringByTrimmingSuffixCharacter(u"--a-b--", u'-')  // u"--a-b"
[[nodiscard]] String stringByTrimmingCharacter(const String& s, unichar c);
[[nodiscard]] String stringByTrimmingPrefixCharacter(const String& s, unichar c);
[[nodiscard]] String stringByTrimmingSuffixCharacter(const String& s, unichar c);

// Matching pairs of `c` removed from both ends, at most length / 2 pairs.
// The string itself when shorter than 2, when no pair encloses it, and when
// the work buffer of a compact text above 256 code units cannot be had.
//   stringByTrimmingEnclosingCharacter(u"**bold**", u'*')  // u"bold"
//   stringByTrimmingEnclosingCharacter(u"*a**", u'*')      // u"a*"
//   stringByTrimmingEnclosingCharacter(u"***", u'*')       // u"*"
[[nodiscard]] String stringByTrimmingEnclosingCharacter(const String& s, unichar c);

// Runs of U'"' and U'\'' in any mix trimmed at both ends, independently.
//   stringByTrimmingQuotes(u"\"abc'")  // u"abc"
[[nodiscard]] String stringByTrimmingQuotes(const String& s);

// The trailing run of '.' and U+2026 in any mix removed; leading dots stay.
//   stringByTrimmingEllipsis(u"Wait. . .")      // u"Wait. . "
//   stringByTrimmingEllipsis(u"Hm\u2026.")      // u"Hm"
[[nodiscard]] String stringByTrimmingEllipsis(const String& s);

// Decimal digits (digitCharacterSetRep, every script) trimmed at both ends.
//   stringByTrimmingDigits(u"2024report17")  // u"report"
[[nodiscard]] String stringByTrimmingDigits(const String& s);

// A new string (never the string itself) without its trailing feed run.
//   stringByTrimmingFeeds(u"abc\r\n")  // u"abc"
[[nodiscard]] String stringByTrimmingFeeds(const String& s);

// A new string (never the string itself) trimmed as trimWhiteSpaces trims.
//   stringByTrimmingWhiteSpaces(u"\u3000 a\u2029")  // u"a"
[[nodiscard]] String stringByTrimmingWhiteSpaces(const String& s);

// The kept span of `range` as a range, with the white class; trimSpacesInRange
// with the class chosen by `feeds`. The range is first cut at the string's
// end, so (0, NSNotFound) means the whole string. An empty range, one all in
// the class and one outside the string give (min(end, length), 0).
//   trimWhiteSpacesInRange(u"  ab  ", {0, 6})  // {2, 2}
//   trimWhiteSpacesInRange(u"  ab  ", {0, 2})  // {2, 0}
//   trimWhiteSpacesInRange(u"ab", {9, 3})      // {2, 0}
[[nodiscard]] NSRange trimWhiteSpacesInRange(const String& s, NSRange range);
[[nodiscard]] NSRange trimSpacesInRange(const String& s, NSRange range, bool feeds);

// In place: leading and trailing Unicode white space (White_Space: Zs, Zl,
// Zp, U+0009 to U+000D, U+0085) removed; U+0000 and U+FEFF stay.
//   MutableString m(u" a\n"); trimWhiteSpaces(m);  // m == u"a"
void trimWhiteSpaces(MutableString& s);

// In place: the code unit `c` removed at both ends (the prefix run first),
// at the start, at the end, with one move of the code units kept.
//   MutableString m(u"xxaxx"); trimSuffixCharacter(m, u'x');  // m == u"xxa"
void trimCharacter(MutableString& s, unichar c);
void trimPrefixCharacter(MutableString& s, unichar c);
void trimSuffixCharacter(MutableString& s, unichar c);

// In place: the trailing run of feed characters removed (all of the text
// when every code unit is a feed); feeds elsewhere stay, and any other code
// unit, a space too, ends the run.
//   MutableString m(u"abc \n"); trimFeeds(m);  // m == u"abc "
void trimFeeds(MutableString& s);

}  // namespace orvin
ORVIN_PUBLIC_END
