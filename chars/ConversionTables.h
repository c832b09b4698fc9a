// Conversion tables: case and accent folding as one array load per code
// unit. A table has 65536 entries; entry c is the one code unit that c
// becomes. A mapping whose result is not exactly one code unit is not stored
// (the entry stays c), so upper['ß'] is 'ß' and lower[U+0130] is U+0130.
//
// The five tables are built on first request and kept for the life of the
// process. A table whose memory cannot be allocated is answered as nullptr
// and built again on the next request; the one-character lookups then return
// their argument unchanged.
#pragma once

#include <cstddef>

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

inline constexpr std::size_t kConversionTableEntries = 65536;

// Table builders, answering the cached table (nullptr when memory runs out).
//   const unichar* lower = initLowerCharsTable();  // lower[u'Ä'] == u'ä'
// Lower case (root locale, full mapping) of upper- and title-case letters.
[[nodiscard]] const unichar* initLowerCharsTable() noexcept;
// Upper case (root locale, full mapping) of lower-case letters.
[[nodiscard]] const unichar* initUpperCharsTable() noexcept;
// Letters and marks with their diacritics removed ('É' to 'E').
[[nodiscard]] const unichar* initUmlautsCharsTable() noexcept;
// lower[umlauts[c]] for every c ('Ä' to 'a').
[[nodiscard]] const unichar* initLowerUmlautsCharsTable() noexcept;
// upper[umlauts[c]] for every c ('é' to 'E').
[[nodiscard]] const unichar* initUpperUmlautsCharsTable() noexcept;

// The same tables as the builders answer.
//   upperCharsTable()[u'ä']  // u'Ä'
[[nodiscard]] const unichar* lowerCharsTable() noexcept;
[[nodiscard]] const unichar* upperCharsTable() noexcept;
[[nodiscard]] const unichar* umlautsCharsTable() noexcept;
[[nodiscard]] const unichar* lowerUmlautsCharsTable() noexcept;
[[nodiscard]] const unichar* upperUmlautsCharsTable() noexcept;

// One-character lookups; each answers c when its table cannot be built.
//   toLower(u'Ä')              // u'ä'
//   toUpper(u'ß')              // u'ß'
//   umlautsToAscii(u'é')       // u'e'
//   umlautsToUpperAscii(u'ж')  // u'Ж' (not limited to ASCII)
[[nodiscard]] unichar toLower(unichar c) noexcept;
[[nodiscard]] unichar toUpper(unichar c) noexcept;
[[nodiscard]] unichar umlautsToAscii(unichar c) noexcept;
[[nodiscard]] unichar umlautsToLowerAscii(unichar c) noexcept;
[[nodiscard]] unichar umlautsToUpperAscii(unichar c) noexcept;

// ASCII folds: the accent-free form of c when it is ASCII, else a space;
// toLowerAscii and toUpperAscii then map A-Z / a-z.
//   toAscii(u'é')       // u'e'
//   toAscii(u'ß')       // u' '
//   toLowerAscii(u'Ö')  // u'o'
//   toUpperAscii(u'é')  // u'E'
[[nodiscard]] unichar toAscii(unichar c) noexcept;
// The second step of toUpperAscii, for loops that look the umlauts table
// up themselves: `u` is umlauts[c].
//   asciiUpperOfUnaccented(umlautsCharsTable()[u'é'])  // u'E'
[[nodiscard]] constexpr unichar asciiUpperOfUnaccented(unichar u) noexcept {
  if (u > 0x7F) return u' ';
  return (u >= u'a' && u <= u'z') ? static_cast<unichar>(u - 0x20) : u;
}
[[nodiscard]] unichar toLowerAscii(unichar c) noexcept;
[[nodiscard]] unichar toUpperAscii(unichar c) noexcept;

}  // namespace orvin
ORVIN_PUBLIC_END
