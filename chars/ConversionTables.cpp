#include "chars/ConversionTables.h"

#include <unicode/ustring.h>

#include "chars/CharacterSet.h"
#include "chars/DiacriticFolding.h"
#include "chars/WorkMemory.h"
#include "chars/internal/CacheBuilders.h"
#include "chars/internal/LazyCache.h"

namespace orvin {
namespace {

using Kind = detail::ConversionTableKind;

constexpr std::size_t kTableBytes = kConversionTableEntries * sizeof(unichar);

// The root-locale full case mapping of c when it is exactly one code unit,
// else c.
template <class CaseMapping>
unichar mapOneCodeUnit(unichar c, CaseMapping mapping) {
  UChar result[8];
  UErrorCode error = U_ZERO_ERROR;
  const int32_t length = mapping(result, 8, &c, 1, "", &error);
  return (U_SUCCESS(error) && length == 1) ? result[0] : c;
}

unichar lowerOf(unichar c) {
  return mapOneCodeUnit(c, u_strToLower);
}
unichar upperOf(unichar c) {
  return mapOneCodeUnit(c, u_strToUpper);
}

// An identity table whose members of `set` are replaced by map(c).
template <class Map>
unichar* buildOverSet(const CharacterSet* (*set)() noexcept, Map map) {
  auto* table = static_cast<unichar*>(allocateWorkMemory(kTableBytes));
  if (table == nullptr) return nullptr;
  const CharacterSet* members = set();
  if (members == nullptr) {
    releaseWorkMemory(table);
    return nullptr;
  }
  const std::uint8_t* bits = bitmap(*members);
  for (std::size_t i = 0; i < kConversionTableEntries; ++i) table[i] = static_cast<unichar>(i);
  for (std::size_t byte = 0; byte < CharacterSet::kBitmapBytes; ++byte) {
    if (bits[byte] == 0) continue;  // most of plane 0 is CJK or unassigned runs
    for (unsigned bit = 0; bit < 8; ++bit) {
      if ((bits[byte] >> bit) & 1) {
        const auto c = static_cast<unichar>(byte * 8 + bit);
        table[c] = map(c);
      }
    }
  }
  return table;
}

unichar* buildComposed(const unichar* caseTable, const unichar* umlauts) {
  if (caseTable == nullptr || umlauts == nullptr) return nullptr;
  auto* table = static_cast<unichar*>(allocateWorkMemory(kTableBytes));
  if (table == nullptr) return nullptr;
  for (std::size_t i = 0; i < kConversionTableEntries; ++i) table[i] = caseTable[umlauts[i]];
  return table;
}

void discardTable(unichar* table) {
  releaseWorkMemory(table);
}

const unichar* cachedTable(Kind kind) noexcept {
  static LazyCache<unichar> caches[5];
  return caches[static_cast<int>(kind)].get([kind] { return detail::buildConversionTable(kind); },
                                            discardTable);
}

unichar lookUp(const unichar* table, unichar c) {
  return table != nullptr ? table[c] : c;
}

}  // namespace

namespace detail {
unichar* buildConversionTable(ConversionTableKind kind) noexcept {
  switch (kind) {
    case Kind::lower:
      return buildOverSet(&CharacterSet::uppercaseLetterCharacterSet, lowerOf);
    case Kind::upper:
      return buildOverSet(&CharacterSet::lowercaseLetterCharacterSet, upperOf);
    case Kind::umlauts:
      return buildOverSet(&CharacterSet::letterCharacterSet, foldDiacriticsOfCodeUnit);
    case Kind::lowerUmlauts:
      return buildComposed(initLowerCharsTable(), initUmlautsCharsTable());
    case Kind::upperUmlauts:
      return buildComposed(initUpperCharsTable(), initUmlautsCharsTable());
  }
  return nullptr;
}
}  // namespace detail

const unichar* initLowerCharsTable() noexcept {
  return cachedTable(Kind::lower);
}
const unichar* initUpperCharsTable() noexcept {
  return cachedTable(Kind::upper);
}
const unichar* initUmlautsCharsTable() noexcept {
  return cachedTable(Kind::umlauts);
}
const unichar* initLowerUmlautsCharsTable() noexcept {
  return cachedTable(Kind::lowerUmlauts);
}
const unichar* initUpperUmlautsCharsTable() noexcept {
  return cachedTable(Kind::upperUmlauts);
}

const unichar* lowerCharsTable() noexcept {
  return initLowerCharsTable();
}
const unichar* upperCharsTable() noexcept {
  return initUpperCharsTable();
}
const unichar* umlautsCharsTable() noexcept {
  return initUmlautsCharsTable();
}
const unichar* lowerUmlautsCharsTable() noexcept {
  return initLowerUmlautsCharsTable();
}
const unichar* upperUmlautsCharsTable() noexcept {
  return initUpperUmlautsCharsTable();
}

unichar toLower(unichar c) noexcept {
  return lookUp(initLowerCharsTable(), c);
}
unichar toUpper(unichar c) noexcept {
  return lookUp(initUpperCharsTable(), c);
}
unichar umlautsToAscii(unichar c) noexcept {
  return lookUp(initUmlautsCharsTable(), c);
}
unichar umlautsToLowerAscii(unichar c) noexcept {
  return lookUp(initLowerUmlautsCharsTable(), c);
}
unichar umlautsToUpperAscii(unichar c) noexcept {
  return lookUp(initUpperUmlautsCharsTable(), c);
}

unichar toAscii(unichar c) noexcept {
  const unichar u = umlautsToAscii(c);
  return u < 0x80 ? u : u' ';
}

unichar toLowerAscii(unichar c) noexcept {
  const unichar u = umlautsToAscii(c);
  if (u > 0x7F) return u' ';
  return (u >= u'A' && u <= u'Z') ? static_cast<unichar>(u + 0x20) : u;
}

unichar toUpperAscii(unichar c) noexcept {
  return asciiUpperOfUnaccented(umlautsToAscii(c));
}

}  // namespace orvin
