// Removing and collapsing: deleting every code unit of a class, mapping code
// units through a conversion table, and collapsing each run of spaces or
// feed characters into one character.
//
// Classes, tested one code unit at a time:
//   space  spaceCharacterSetRep      white  whiteCharacterSetRep
//   digit  digitCharacterSetRep      alphanumeric  alphaNumCharacterSetRep
//   feed   the eight feed characters (strings/FeedCharacters.h)
//   tab    U+0009
// `feeds` selects the white class instead of the space class.
//
// The immutable functions answer the string itself where noted, else a new
// string (also when its text equals the input). A nil string gives nil. When
// memory runs out (a work buffer above 256 code units, the new string), and
// when a rep or table the operation needs cannot be built, they answer the
// string itself and the in-place functions leave the text as it was: the
// caller cannot tell that nothing happened.
//
// The in-place functions never write through storage a copy shares: a copy
// taken before the edit keeps its text. Text held by this MutableString alone
// is edited where it is and cannot fail; shared or compact text is read
// where it is into a new text (a work buffer above 256 code units).
#pragma once

#include <cstdint>

#include "chars/Export.h"
#include "chars/MutableString.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Every code unit whose bit is set in `rep` dropped. The string itself for a
// null rep and for "".
//   stringByRemovingCharactersInRep(u"a1b2", digitCharacterSetRep())  // u"ab"
[[nodiscard]] String stringByRemovingCharactersInRep(const String& s, const std::uint8_t* rep);

// Every white code unit dropped; the string itself for "".
//   stringByRemovingWhiteCharacters(u"a b\n")  // u"ab"
[[nodiscard]] String stringByRemovingWhiteCharacters(const String& s);

// Only the alphanumeric code units kept, each mapped through `table` when
// one is given (the class is tested before the mapping); the string itself
// for "".
//   stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(
//       u"Ä-b 1!", lowerCharsTable())  // u"äb1"
[[nodiscard]] String stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(
    const String& s, const unichar* table);

// Every code unit c replaced by table[c]; the same length. The string itself
// for a null table and for "".
//   stringByApplyingConversionTable(u"Äb", upperCharsTable())  // u"ÄB"
[[nodiscard]] String stringByApplyingConversionTable(const String& s, const unichar* table);

// Every digit dropped; the string itself when there is none.
//   stringByRemovingDigits(u"a1b22")  // u"ab"
[[nodiscard]] String stringByRemovingDigits(const String& s);

// Every digit dropped and every other code unit mapped through
// lowerCharsTable / upperCharsTable; the string itself for "".
//   lowercaseStringByRemovingDigits(u"A1B")  // u"ab"
[[nodiscard]] String lowercaseStringByRemovingDigits(const String& s);
[[nodiscard]] String uppercaseStringByRemovingDigits(const String& s);

// Each run of space (feeds: white) code units, at the start, in the middle
// or at the end, becomes one U+0020. The string itself when it holds no
// member of the class.
//   stringByRemovingMultipleSpacesAndFeeds(u"a \t b", false)  // u"a b"
//   stringByRemovingMultipleSpacesAndFeeds(u"a\n\n b", true)  // u"a b"
[[nodiscard]] String stringByRemovingMultipleSpacesAndFeeds(const String& s, bool feeds);

// Each run of feed characters becomes one U+000A; the string itself when
// it holds none.
//   stringByRemovingMultipleFeeds(u"a\r\nb")  // u"a\nb"
[[nodiscard]] String stringByRemovingMultipleFeeds(const String& s);

// New strings (never the string itself) without feeds, tabs, spaces.
//   stringByRemovingTabs(u"\ta\t")  // u"a"
[[nodiscard]] String stringByRemovingFeeds(const String& s);
[[nodiscard]] String stringByRemovingTabs(const String& s);
[[nodiscard]] String stringByRemovingSpaces(const String& s);

// In place: every occurrence of the code unit `c` deleted (exact).
//   MutableString m(u"banana"); removeCharacters(m, u'a');  // m == u"bnn"
void removeCharacters(MutableString& s, unichar c);

// In place: every character of `chars` deleted; nothing for nil or "". A
// surrogate pair counts as one character: a pair in `chars` deletes only
// that pair, and a pair in the text is deleted whole or kept whole, never
// split. An unpaired surrogate in `chars` deletes only unpaired ones.
//   MutableString m(u"abcab"); removeCharactersOfString(m, u"ab");  // m == u"c"
void removeCharactersOfString(MutableString& s, const String& chars);

// In place: every member of the class deleted.
//   MutableString m(u"a 1\tb"); removeSpaces(m);  // m == u"a1b"
void removeFeeds(MutableString& s);
void removeTabs(MutableString& s);
void removeSpaces(MutableString& s);
void removeWhiteCharacters(MutableString& s);
void removeDigits(MutableString& s);

// In place: each run of space (feeds: white) code units becomes one U+0020;
// answers the length afterwards. removeMultipleSpaces has feeds false.
//   MutableString m(u"  "); removeMultipleSpaces(m);  // 1, m == u" "
NSUInteger removeMultipleSpacesAndFeeds(MutableString& s, bool feeds);
NSUInteger removeMultipleSpaces(MutableString& s);

// In place: each run of feed characters becomes one U+000A; answers the
// length afterwards.
//   MutableString m(u"a\r\n\nb"); removeMultipleFeeds(m);  // 3, m == u"a\nb"
NSUInteger removeMultipleFeeds(MutableString& s);

}  // namespace orvin
ORVIN_PUBLIC_END
