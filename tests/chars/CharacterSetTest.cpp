#include "chars/CharacterSet.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstring>

#include "chars/WorkMemory.h"

namespace orvin {
namespace {

using detail::PredefinedSet;

struct SetCase {
  const char* name;
  PredefinedSet which;
  const CharacterSet* (*accessor)() noexcept;
  std::uint32_t categories;
  bool (*extra)(unichar);
};

bool none(unichar) {
  return false;
}
bool tab(unichar c) {
  return c == 0x09;
}
bool tabToReturnOrNextLine(unichar c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x85;
}

const SetCase kSets[] = {
    {"whitespace", PredefinedSet::whitespace, &CharacterSet::whitespaceCharacterSet, U_GC_ZS_MASK,
     tab},
    {"whitespaceAndNewline", PredefinedSet::whitespaceAndNewline,
     &CharacterSet::whitespaceAndNewlineCharacterSet, U_GC_Z_MASK, tabToReturnOrNextLine},
    {"letter", PredefinedSet::letter, &CharacterSet::letterCharacterSet, U_GC_L_MASK | U_GC_M_MASK,
     none},
    {"alphanumeric", PredefinedSet::alphanumeric, &CharacterSet::alphanumericCharacterSet,
     U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK, none},
    {"decimalDigit", PredefinedSet::decimalDigit, &CharacterSet::decimalDigitCharacterSet,
     U_GC_ND_MASK, none},
    {"lowercaseLetter", PredefinedSet::lowercaseLetter, &CharacterSet::lowercaseLetterCharacterSet,
     U_GC_LL_MASK, none},
    {"uppercaseLetter", PredefinedSet::uppercaseLetter, &CharacterSet::uppercaseLetterCharacterSet,
     U_GC_LU_MASK | U_GC_LT_MASK, none},
};

// The sets are filled from category runs; every code unit is checked against
// ICU's per-code-point answer, which also pins the run edges and the bitmap
// layout (bit c & 7 of byte c >> 3).
TEST(CharacterSetTest, MembershipFollowsGeneralCategoriesForEveryCodeUnit) {
  for (const SetCase& set : kSets) {
    const CharacterSet* built = set.accessor();
    ASSERT_NE(built, nullptr) << set.name;
    const std::uint8_t* bits = bitmap(*built);
    int mismatches = 0;
    for (unsigned u = 0; u < 0x10000 && mismatches < 5; ++u) {
      const auto c = static_cast<unichar>(u);
      const bool expected = (U_GET_GC_MASK(c) & set.categories) != 0 || set.extra(c);
      const bool inBitmap = ((bits[u >> 3] >> (u & 7)) & 1) != 0;
      if (built->characterIsMember(c) != expected || inBitmap != expected) {
        ADD_FAILURE() << set.name << " U+" << std::hex << u << " expected " << expected;
        ++mismatches;
      }
    }
    EXPECT_FALSE(built->characterIsMember(0xD800)) << set.name;  // surrogates are Cs
  }
}

TEST(CharacterSetTest, BuildFailsCleanlyWithoutMemoryAndSucceedsAfterwards) {
  for (const SetCase& set : kSets) {
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(detail::buildPredefinedCharacterSet(set.which), nullptr) << set.name;
    testhooks::resetWorkAllocationFailures();
    CharacterSet* fresh = detail::buildPredefinedCharacterSet(set.which);
    ASSERT_NE(fresh, nullptr) << set.name;
    EXPECT_EQ(std::memcmp(bitmap(*fresh), bitmap(*set.accessor()), CharacterSet::kBitmapBytes), 0);
    releaseWorkMemory(fresh);
  }
}

}  // namespace
}  // namespace orvin
