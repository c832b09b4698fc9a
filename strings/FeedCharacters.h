// The feed characters: the eight code units that end a line for the line,
// trimming, collapsing and normalizing operations of strings/.
//   U+0003 (end of text), U+000A, U+000C, U+000D, U+2028, U+2029,
//   U+FEFF (byte-order mark), U+FFFC (object replacement).
// U+000B and U+0085 are not feed characters.
#pragma once

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// True when `c` is one of the eight feed characters. A fixed comparison (a
// mask over the control range and two pairs), cheaper than a bitmap lookup.
//   isFeedCharacter(u'\n')    // true
//   isFeedCharacter(u'\x0B')  // false
[[nodiscard]] constexpr bool isFeedCharacter(unichar c) noexcept {
  constexpr unsigned kControlFeeds = (1u << 0x03) | (1u << 0x0A) | (1u << 0x0C) | (1u << 0x0D);
  if (c <= 0x0D) return ((kControlFeeds >> c) & 1u) != 0;
  if (c < 0x2028) return false;
  return c <= 0x2029 || c == 0xFEFF || c == 0xFFFC;
}

}  // namespace orvin
ORVIN_PUBLIC_END
