// Mail reformatting: hard-wrapped mail text turned into flowing paragraphs,
// for showing or sending it on in a form that wraps where the reader's
// window does.
#pragma once

#include "chars/Export.h"
#include "chars/MutableString.h"

ORVIN_PUBLIC_BEGIN

namespace orvin {

// Unwraps hard-wrapped mail in one pass over one copy. Line breaks are runs
// of feed characters (CR LF counts as one break): two or more become an
// empty line ("\n\n"); a single break joins its lines with a space, except
// that it stays a line break before " ", "-", "/", ">" or "}" (indented
// lines, lists, quotations, closing braces) and after ":" or ">". A break
// after white space, at the start or at the end writes nothing. Every run of
// space characters becomes one space.
// The string itself when it is empty or nil and when its copy cannot be
// allocated. A line ended by U+0003, U+FEFF or U+FFFC keeps that character
// inside the joined paragraph.
//   reformattedMailing(u"Hello\nworld")    // u"Hello world"
//   reformattedMailing(u"Dear Sir:\nHi")   // u"Dear Sir:\nHi"
//   reformattedMailing(u"a\n\n\nb")         // u"a\n\nb"
[[nodiscard]] String reformattedMailing(const String& s);

// Joins the lines of `s` into paragraphs: from each line the code units of
// `remove` are deleted (nil: none), then white space at both ends; non-blank
// lines are joined with single spaces, and the first blank line after a
// paragraph writes its own line end twice (once if it is the last line).
// Runs of spaces are collapsed at the end. Always a new string; empty for a
// nil `s`.
//   reformattedStringByRemovingCharactersOfString(u"> a\n> b\n", u">")  // u"a b"
[[nodiscard]] MutableString reformattedStringByRemovingCharactersOfString(const String& s,
                                                                          const String& remove);

}  // namespace orvin

ORVIN_PUBLIC_END
