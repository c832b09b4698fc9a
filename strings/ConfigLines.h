// Configuration text: lines of the form "key value", with "#" comments.
// configLines picks out the meaningful lines, configValueForKey reads the
// value after a key on one of them, and typedValueForKeys turns a value word
// into the index of a known word.
//
// Lines end at every feed character (strings/FeedCharacters.h), so CR LF
// leaves an empty line between, which is skipped like every empty line.
// White characters (whiteCharacterSetRep) at both ends are not part of a
// line; a line whose first non-white code unit is "#" is a comment. Keys and
// words are matched with simple case folding: "ß" never matches "SS".
#pragma once

#include <initializer_list>
#include <vector>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN

namespace orvin {

// The trimmed lines that are not comments and have at least two code units,
// in order; empty for a nil or empty text, and when the white class cannot
// be built.
//   configLines(u"# c\r\n  Name  Alpha \r\nx\r\nmode fast")  // {u"Name  Alpha", u"mode fast"}
[[nodiscard]] std::vector<String> configLines(const String& s);

// The value after `key` on `line`: the key must start the line (letter case
// aside) and be followed by a white character; the rest of the line,
// trimmed, is the value. nil when the key is nil or empty, does not match,
// is only the prefix of a longer word, or has no value after it.
//   configValueForKey(u"Name   Alpha Beta", u"name")  // u"Alpha Beta"
//   configValueForKey(u"Name   Alpha Beta", u"nam")   // nil
[[nodiscard]] String configValueForKey(const String& line, const String& key);

// The index of the first of `keys` equal to `s` letter case aside, or
// NSNotFound; a nil entry ends the list. NSNotFound for a nil `s`.
//   typedValueForKeys(u"FAST", {u"slow", u"fast"})  // 1
[[nodiscard]] NSUInteger typedValueForKeys(const String& s, std::initializer_list<String> keys);

}  // namespace orvin

ORVIN_PUBLIC_END
