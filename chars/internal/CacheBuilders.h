// The builders behind the process-wide caches of character sets, reps and
// conversion tables. The public accessors cache what these build; tests and
// the first-use benchmark call them directly to build afresh.
#pragma once

#include <cstdint>

#include "chars/Types.h"

namespace orvin {
class CharacterSet;
}

namespace orvin::detail {

enum class PredefinedSet {
  whitespace,
  whitespaceAndNewline,
  letter,
  alphanumeric,
  decimalDigit,
  lowercaseLetter,
  uppercaseLetter,
};
// A newly built set, or nullptr when memory runs out; uncached, released
// with releaseWorkMemory. The accessors cache what this builds.
[[nodiscard]] CharacterSet* buildPredefinedCharacterSet(PredefinedSet which) noexcept;

enum class CharacterSetRepKind { empty, space, white, alpha, alphaNum, digit, lower, upper };
// A newly built rep, or nullptr when memory (for it or its character set)
// runs out; uncached, released with releaseWorkMemory. The rep functions
// cache what this builds.
[[nodiscard]] std::uint8_t* buildCharacterSetRep(CharacterSetRepKind kind) noexcept;

enum class ConversionTableKind { lower, upper, umlauts, lowerUmlauts, upperUmlauts };
// A newly built table, or nullptr when memory (for it, its character set or
// an ingredient table) runs out; uncached, released with releaseWorkMemory.
// The builders above cache what this builds.
[[nodiscard]] unichar* buildConversionTable(ConversionTableKind kind) noexcept;

}  // namespace orvin::detail
