// Normalization and ASCII folding: Unicode normalization (composed form by
// default), accent removal through the folding tables, reduction to 7-bit
// ASCII, sanitising of code units that upset later processing, and
// expansion of typographic ligatures.
//
// Normalization forms are the platform's numbers: 0 = D, 1 = KD, 2 = C,
// 3 = KC (MutableString::NormalizationForm); C is the default. A form outside
// 0 to 3 is not applied: the text keeps its code units.
//
// A nil string gives nil. Where memory for the normalized code units cannot
// be had, the functions that answer a string answer nil, so that text which
// was not normalized is never passed off as normalized; the table folds
// without normalization answer the string itself instead (see each one).
#pragma once

#include "chars/Export.h"
#include "chars/MutableString.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// A new string in form C / in `form`; the string itself when empty.
//   normalizedString(u"e\u0301")     // u"\u00E9"
//   normalizedString(u"\u00E9", 0)   // u"e\u0301"
[[nodiscard]] String normalizedString(const String& s);
[[nodiscard]] String normalizedString(const String& s, NSInteger form);

// A new string in form C, then in lower / upper case (no locale, full
// mapping, so the length may change); the string itself when empty.
//   normalizedUppercaseString(u"stra\u00DFe")  // u"STRASSE"
[[nodiscard]] String normalizedLowercaseString(const String& s);
[[nodiscard]] String normalizedUppercaseString(const String& s);

// A new string sanitised and normalized as fixAndNormalizeString does; the
// string itself when empty; nil when memory runs out (never the unsanitised
// text).
//   fixedAndNormalizedString(u"a\0b")  // u"a b"
[[nodiscard]] String fixedAndNormalizedString(const String& s);

// A new string holding the same code units in one block of its own, so
// that it has a direct pointer (compact storage has none). The string
// itself when empty and when the block cannot be allocated.
//   optimizedString(String::withLatin1("abc")).charactersPtr() != nullptr
[[nodiscard]] String optimizedString(const String& s);

// Every code unit mapped through umlautsCharsTable / lowerUmlautsCharsTable /
// upperUmlautsCharsTable, without normalizing first (so "e" + U+0301 keeps
// its accent). The string itself when nothing changed, and, as on a failed
// allocation, when the table or a work buffer above 256 code units cannot
// be had.
//   nonUmlautedString(u"M\u00FCller")           // u"Muller"
//   uppercaseNonUmlautedString(u"M\u00FCller")  // u"MULLER"
[[nodiscard]] String nonUmlautedString(const String& s);
[[nodiscard]] String lowercaseNonUmlautedString(const String& s);
[[nodiscard]] String uppercaseNonUmlautedString(const String& s);

// Form C first, then the table: always a new string (the composed length);
// nil when memory or the table cannot be had.
//   nonUmlautedNormalizedString(u"e\u0301")  // u"e"
[[nodiscard]] String nonUmlautedNormalizedString(const String& s);
[[nodiscard]] String lowercaseNonUmlautedNormalizedString(const String& s);
[[nodiscard]] String uppercaseNonUmlautedNormalizedString(const String& s);

// Form C first, then each code unit through toAscii / toLowerAscii /
// toUpperAscii: the accent-free letter when that is ASCII, else a space (one
// per code unit, so a character outside the BMP becomes two). Always a new
// string; nil when memory runs out.
//   asciiString(u"Cr\u00E8me br\u00FBl\u00E9e")  // u"Creme brulee"
//   lowercaseAsciiString(u"\u00C0B")             // u"ab"
[[nodiscard]] String asciiString(const String& s);
[[nodiscard]] String lowercaseAsciiString(const String& s);
[[nodiscard]] String uppercaseAsciiString(const String& s);

// The first / last code unit; 0 for "" and nil.
//   lastCharacter(u"ab")  // u'b'
[[nodiscard]] unichar firstCharacter(const String& s);
[[nodiscard]] unichar lastCharacter(const String& s);

// In place: form C / `form`.
//   MutableString m(u"e\u0301"); normalizeString(m);  // m == u"\u00E9"
void normalizeString(MutableString& s);
void normalizeString(MutableString& s, NSInteger form);

// In place: form C, then lower / upper case (no locale).
void normalizeLowercaseString(MutableString& s);
void normalizeUppercaseString(MutableString& s);

// In place, a sanitiser: U+0000, every surrogate code unit (the halves of
// valid pairs too, so emoji and every other character outside the BMP are
// lost) and the private-use code units U+F400 to U+F8FF each become U+0020,
// then the text is brought to form C. False, with the text unchanged, when
// memory runs out; true otherwise (also for "").
//   MutableString m(u"a\0b\U0001F600"); fixAndNormalizeString(m);  // m == u"a b  "
[[nodiscard]] bool fixAndNormalizeString(MutableString& s);

// In place: U+0132, U+0133 and U+FB00 to U+FB06 expanded into ASCII letters
// ("IJ", "ij", "ff", "fi", "fl", "ffi", "ffl", "st", "st"); nothing else
// changes. Without memory for its buffer the text stays as it was.
//   MutableString m(u"\uFB01ne"); convertLigaturesToCharacters(m);  // m == u"fine"
void convertLigaturesToCharacters(MutableString& s);

// The form-C code units of `s` in a new string that owns one heap block.
// When ICU cannot normalize the text, its own code units. nil when the
// block cannot be allocated; a new "" for "".
//   getCharactersOfNormalizedString(u"A\u030A").length()  // 1
[[nodiscard]] String getCharactersOfNormalizedString(const String& s);

}  // namespace orvin
ORVIN_PUBLIC_END
