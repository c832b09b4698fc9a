// Replacing substrings, on copies and in place, and the small in-place
// edits of a mutable string.
//
// Case-insensitive matching of substrings is simple case folding (as
// rangeOfString); of single code units it follows the case tables, as the
// scans of CharacterFinding.h do. A nil replacement leaves a copy unchanged
// but deletes in place. A nil or empty target replaces nothing.
#pragma once

#include <initializer_list>
#include <span>

#include "chars/Export.h"
#include "chars/MutableString.h"
#include "chars/String.h"
#include "chars/StringFormat.h"
#include "chars/Types.h"
#include "paths/CaseMode.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// `s` without any occurrence of the code unit `c`, or of any code unit of `set`.
[[nodiscard]] String stringByRemovingCharacters(const String& s, unichar c);
[[nodiscard]] String stringByRemovingCharactersOfString(const String& s, const String& set);

// A copy with every occurrence of `target` replaced; `s` itself when there
// is none or `replacement` is nil.
//   stringByReplacingString(u"a-b", u"-", u"+")  // u"a+b"
[[nodiscard]] String stringByReplacingString(const String& s, const String& target,
                                             const String& replacement,
                                             CaseMode mode = CaseMode::sensitive);

// In place; each answers the number of replacements, 0 (with the text
// unchanged) when memory runs out.
NSUInteger replaceCharacter(MutableString& s, unichar c, unichar r,
                            CaseMode mode = CaseMode::sensitive);
NSUInteger replaceString(MutableString& s, const String& target, const String& replacement,
                         CaseMode mode = CaseMode::sensitive);
// The replacement formatted first (stringWithFormat); 0 for a nil format.
//   replaceStringWithFormat(m, u"N", u"%d", {7})
NSUInteger replaceStringWithFormat(MutableString& s, const String& target, const String& format,
                                   std::initializer_list<FormatArgument> args);
NSUInteger deleteString(MutableString& s, const String& target);

// Edits that raise NSRangeException for an index or range outside the text
// (or, for appendSubstring, outside `source`).
void removeCharacterAtIndex(MutableString& s, NSUInteger index);
void insertCharacter(MutableString& s, unichar c, NSUInteger index);
void appendUnichar(MutableString& s, unichar c);
void appendUnichars(MutableString& s, std::span<const unichar> units);
void appendSubstring(MutableString& s, const String& source, NSRange range);
// Appends `text` without leading and trailing white space; nothing for nil.
void appendTrimmedString(MutableString& s, const String& text);

// A plain string holds no attachments, links or attributes: these do nothing.
inline void removeAttachments(MutableString&) {}
inline void removeLinks(MutableString&) {}
inline void removeAttribute(MutableString&, const String&) {}

}  // namespace orvin
ORVIN_PUBLIC_END
