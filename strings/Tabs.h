// Tabs and spaces: expanding tab characters to the spaces they stand for,
// and turning runs of spaces that reach a tab stop back into tabs, for a
// given tab width. Columns count code units from the start of the text or
// from just after a feed character (strings/FeedCharacters.h); a tab stop is
// every column that is a multiple of the width.
//
// Both edit the string in place. A width of 0 leaves it unchanged, as does
// running out of memory (an expansion too long to hold included).
#pragma once

#include "chars/Export.h"
#include "chars/MutableString.h"

ORVIN_PUBLIC_BEGIN

namespace orvin {

// Replaces each U+0009 by U+0020 up to the next tab stop.
//   MutableString s(u"a\tb");
//   decodeTabs(s, 4);  // s == u"a   b"
void decodeTabs(MutableString& s, NSUInteger width);

// Replaces each run of U+0020 and U+0009 that ends exactly at a tab stop by
// one tab; a single space reaching a stop becomes a tab too, and spaces that
// stop short of a stop stay. No other space character (no-break space,
// U+0000, U+3000) joins a run, so none of them is lost.
//   MutableString s(u"a   b");
//   encodeTabs(s, 4);  // s == u"a\tb"
void encodeTabs(MutableString& s, NSUInteger width);

}  // namespace orvin

ORVIN_PUBLIC_END
