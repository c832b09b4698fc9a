#include "chars/CharacterSet.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

#include "chars/WorkMemory.h"
#include "chars/internal/CacheBuilders.h"
#include "chars/internal/LazyCache.h"

namespace orvin {
namespace {

// The sets live in work memory and are released without a destructor call.
static_assert(std::is_trivially_destructible_v<CharacterSet>);

constexpr UChar32 kPlaneSize = 0x10000;

// Sets the bits of code units [start, limit).
void setBitRange(std::uint8_t* bits, UChar32 start, UChar32 limit) {
  while (start < limit && (start & 7) != 0) {
    bits[start >> 3] |= static_cast<std::uint8_t>(1u << (start & 7));
    ++start;
  }
  const UChar32 wholeBytesEnd = limit & ~7;
  if (start < wholeBytesEnd) {
    std::memset(bits + (start >> 3), 0xFF, static_cast<std::size_t>((wholeBytesEnd - start) >> 3));
    start = wholeBytesEnd;
  }
  for (; start < limit; ++start) {
    bits[start >> 3] |= static_cast<std::uint8_t>(1u << (start & 7));
  }
}

struct CategoryFill {
  std::uint32_t categories;  // U_GC_*_MASK bits
  std::uint8_t* bits;
};

// ICU hands out plane 0 as a few thousand runs of one category each, so
// filling by runs beats asking per code unit.
UBool U_CALLCONV fillCategoryRun(const void* context, UChar32 start, UChar32 limit,
                                 UCharCategory type) {
  const auto* fill = static_cast<const CategoryFill*>(context);
  if (start >= kPlaneSize) return false;
  if ((U_MASK(type) & fill->categories) != 0) {
    setBitRange(fill->bits, start, std::min(limit, kPlaneSize));
  }
  return limit < kPlaneSize;
}

void fillPredefined(detail::PredefinedSet which, std::uint8_t* bits) {
  std::uint32_t categories = 0;
  switch (which) {
    case detail::PredefinedSet::whitespace:
      categories = U_GC_ZS_MASK;
      break;
    case detail::PredefinedSet::whitespaceAndNewline:
      categories = U_GC_Z_MASK;
      break;
    case detail::PredefinedSet::letter:
      categories = U_GC_L_MASK | U_GC_M_MASK;
      break;
    case detail::PredefinedSet::alphanumeric:
      categories = U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK;
      break;
    case detail::PredefinedSet::decimalDigit:
      categories = U_GC_ND_MASK;
      break;
    case detail::PredefinedSet::lowercaseLetter:
      categories = U_GC_LL_MASK;
      break;
    case detail::PredefinedSet::uppercaseLetter:
      categories = U_GC_LU_MASK | U_GC_LT_MASK;
      break;
  }
  std::memset(bits, 0, CharacterSet::kBitmapBytes);
  CategoryFill fill{categories, bits};
  u_enumCharTypes(fillCategoryRun, &fill);

  if (which == detail::PredefinedSet::whitespace) {
    setBitRange(bits, 0x09, 0x0A);
  } else if (which == detail::PredefinedSet::whitespaceAndNewline) {
    setBitRange(bits, 0x09, 0x0E);  // tab, and line feed to carriage return
    setBitRange(bits, 0x85, 0x86);
  }
}

void discardSet(CharacterSet* set) {
  releaseWorkMemory(set);
}

const CharacterSet* cachedPredefined(detail::PredefinedSet which) noexcept {
  static LazyCache<CharacterSet> caches[7];
  return caches[static_cast<int>(which)].get(
      [which] { return detail::buildPredefinedCharacterSet(which); }, discardSet);
}

}  // namespace

namespace detail {
struct CharacterSetAccess {
  static CharacterSet* build(void* block, PredefinedSet which) noexcept {
    auto* set = new (block) CharacterSet();
    fillPredefined(which, set->bits_);
    return set;
  }
};

CharacterSet* buildPredefinedCharacterSet(PredefinedSet which) noexcept {
  void* block = allocateWorkMemory(sizeof(CharacterSet));
  if (block == nullptr) return nullptr;
  return CharacterSetAccess::build(block, which);
}
}  // namespace detail

const CharacterSet* CharacterSet::whitespaceCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::whitespace);
}
const CharacterSet* CharacterSet::whitespaceAndNewlineCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::whitespaceAndNewline);
}
const CharacterSet* CharacterSet::letterCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::letter);
}
const CharacterSet* CharacterSet::alphanumericCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::alphanumeric);
}
const CharacterSet* CharacterSet::decimalDigitCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::decimalDigit);
}
const CharacterSet* CharacterSet::lowercaseLetterCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::lowercaseLetter);
}
const CharacterSet* CharacterSet::uppercaseLetterCharacterSet() noexcept {
  return cachedPredefined(detail::PredefinedSet::uppercaseLetter);
}

}  // namespace orvin
