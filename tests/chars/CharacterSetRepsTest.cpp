// The predefined character sets and the library's reps built from them.
#include "chars/CharacterSetReps.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstring>
#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/CharacterSet.h"
#include "chars/WorkMemory.h"
#include "chars/internal/CacheBuilders.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using namespace std::string_view_literals;
using detail::CharacterSetRepKind;
using detail::PredefinedSet;

struct SetCase {
  PredefinedSet which;
  CharacterSetRepKind kind;
  std::uint32_t categories;   // the set: these general categories
  std::u16string_view extra;  // and these code units
  std::u16string_view added;  // what the rep adds to its set
  const CharacterSet* set;
  const std::uint8_t* rep;
};

std::vector<SetCase> sets() {
  using C = CharacterSet;
  using P = PredefinedSet;
  using K = CharacterSetRepKind;
  constexpr std::uint32_t kLetters = U_GC_L_MASK | U_GC_M_MASK;
  return {
      {P::whitespace, K::space, U_GC_ZS_MASK, u"\t", u"\0"sv, C::whitespaceCharacterSet(),
       spaceCharacterSetRep()},
      {P::whitespaceAndNewline, K::white, U_GC_Z_MASK, u"\t\n\v\f\r\x85", u"\0\x03\uFEFF\uFFFC"sv,
       C::whitespaceAndNewlineCharacterSet(), whiteCharacterSetRep()},
      {P::letter, K::alpha, kLetters, u"", u"", C::letterCharacterSet(), alphaCharacterSetRep()},
      {P::alphanumeric, K::alphaNum, kLetters | U_GC_N_MASK, u"", u"",
       C::alphanumericCharacterSet(), alphaNumCharacterSetRep()},
      {P::decimalDigit, K::digit, U_GC_ND_MASK, u"", u"", C::decimalDigitCharacterSet(),
       digitCharacterSetRep()},
      {P::lowercaseLetter, K::lower, U_GC_LL_MASK, u"", u"", C::lowercaseLetterCharacterSet(),
       lowerCharacterSetRep()},
      {P::uppercaseLetter, K::upper, U_GC_LU_MASK | U_GC_LT_MASK, u"", u"",
       C::uppercaseLetterCharacterSet(), upperCharacterSetRep()},
  };
}

// Every code unit against ICU's per-code-point answer: that pins the edges
// of the category runs the sets are filled from, and any stray bit of a rep
// shows up as an extra difference.
TEST(CharacterSetReps, SetsFollowCategoriesAndRepsAddOnlyTheirAdditions) {
  for (const SetCase& k : sets()) {
    ASSERT_TRUE(k.set != nullptr && k.rep != nullptr);
    int mismatches = 0;
    std::u16string differences;
    for (unsigned u = 0; u < 0x10000; ++u) {
      const auto c = static_cast<unichar>(u);
      const bool expected =
          (U_GET_GC_MASK(c) & k.categories) != 0 || k.extra.find(c) != k.extra.npos;
      if (k.set->characterIsMember(c) != expected && ++mismatches <= 5) {
        ADD_FAILURE() << static_cast<int>(k.which) << " U+" << std::hex << u;
      }
      if (isInCharacterSetRep(k.rep, c) != expected) differences.push_back(c);
    }
    EXPECT_EQ(differences, k.added) << static_cast<int>(k.kind);
  }
  EXPECT_EQ(firstAlphaCharacter(), u'A');
  EXPECT_EQ(lastAlphaCharacter(), 0xFFDC);  // HALFWIDTH HANGUL LETTER I
}

TEST(CharacterSetReps, BuildsFailCleanlyWithoutMemory) {
  for (const SetCase& k : sets()) {
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(detail::buildPredefinedCharacterSet(k.which), nullptr);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(detail::buildCharacterSetRep(k.kind), nullptr);
    testhooks::resetWorkAllocationFailures();
    CharacterSet* set = detail::buildPredefinedCharacterSet(k.which);
    std::uint8_t* rep = detail::buildCharacterSetRep(k.kind);
    ASSERT_TRUE(set != nullptr && rep != nullptr);
    EXPECT_EQ(std::memcmp(bitmap(*set), bitmap(*k.set), CharacterSet::kBitmapBytes), 0);
    EXPECT_EQ(std::memcmp(rep, k.rep, kCharacterSetRepBytes), 0);
    releaseWorkMemory(set);
    releaseWorkMemory(rep);
  }
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(detail::buildCharacterSetRep(CharacterSetRepKind::empty), nullptr);
  testhooks::resetWorkAllocationFailures();
  const std::vector<std::uint8_t> zeros(kCharacterSetRepBytes, 0);
  EXPECT_EQ(std::memcmp(emptyCharacterSetRep(), zeros.data(), kCharacterSetRepBytes), 0);
}

// Null reps have no members; callers' own reps work like the library's.
TEST(CharacterSetReps, NullAndCallerReps) {
  std::vector<std::uint8_t> hyphen(kCharacterSetRepBytes, 0);
  hyphen[5] = 1 << 5;  // U+002D
  const String s = u"a--b";
  EXPECT_EQ(countCharactersPartOfSet(s, hyphen.data()), 2u);
  EXPECT_FALSE(charactersPartOfSet(s, hyphen.data(), true));
  EXPECT_TRUE(charactersPartOfSet(u"--", hyphen.data(), false));
  EXPECT_FALSE(characterPartOfSet(s, nullptr));
  EXPECT_EQ(countCharactersPartOfSet(s, nullptr), 0u);
  EXPECT_TRUE(charactersPartOfSet(u"", nullptr, true));
}

class CharacterSetRepStrings : public test::FormTest {};

constexpr bool Y = true, N = false;

TEST_P(CharacterSetRepStrings, PredicatesCountsAndContains) {
  const struct {
    std::u16string text;
    bool space, white, digit, alpha, alphaNum;
    NSUInteger whites, digits, alphas, alphaNums;
  } rows[] = {
      {u"", Y, Y, N, N, N, 0, 0, 0, 0},
      {std::u16string(u"\0\t\0", 3), Y, Y, N, N, N, 3, 0, 0, 0},
      {u" \n\xFEFF", N, Y, N, N, N, 3, 0, 0, 0},
      {u"a1b22", N, N, N, N, Y, 0, 3, 2, 5},
      {u"0123456789", N, N, Y, N, Y, 0, 10, 0, 10},
      {u"Grüße", N, N, N, Y, Y, 0, 0, 5, 5},
      {u"\xBD", N, N, N, N, Y, 0, 0, 0, 1},           // a number, not a digit
      {u"x\xD801\xDC00", N, N, N, N, N, 0, 0, 1, 1},  // U+10400 is a letter, but not as units
      {u"two words", N, N, N, N, N, 1, 0, 8, 8},
  };
  for (const auto& row : rows) {
    const String s = make(row.text);
    SCOPED_TRACE(s.toUtf8());
    EXPECT_EQ(isSpaceString(s), row.space);
    EXPECT_EQ(isWhiteString(s), row.white);
    EXPECT_EQ(isDigitString(s), row.digit);
    EXPECT_EQ(isAlphaString(s), row.alpha);
    EXPECT_EQ(isAlphaNumString(s), row.alphaNum);
    EXPECT_EQ(countWhiteCharacters(s), row.whites);
    EXPECT_EQ(countDigitCharacters(s), row.digits);
    EXPECT_EQ(countAlphaCharacters(s), row.alphas);
    EXPECT_EQ(countAlphaNumCharacters(s), row.alphaNums);
    EXPECT_EQ(containsWhiteCharacter(s), row.whites > 0);
    EXPECT_EQ(containsDigitCharacter(s), row.digits > 0);
    EXPECT_EQ(containsAlphaCharacter(s), row.alphas > 0);
    EXPECT_EQ(containsAlphaNumCharacter(s), row.alphaNums > 0);
  }
}

// 300 code units: more than one stack window of a compact string. The one
// odd unit sits last so that a scan stopping short, or one that drops the
// last window, is caught. Both forms are read in place: with no work memory
// to be had, every scan still answers truly.
TEST_P(CharacterSetRepStrings, LongStringsNeedNoWorkMemory) {
  const String digits = make(std::u16string(300, u'7'));
  const String withLetter = make(std::u16string(299, u'7') + u"x");
  EXPECT_TRUE(containsAlphaCharacter(withLetter));
  const std::uint8_t* digit = digitCharacterSetRep();
  testhooks::failNextWorkAllocations(1);
  EXPECT_TRUE(characterPartOfSet(withLetter, digit));
  EXPECT_EQ(countCharactersPartOfSet(withLetter, digit), 299u);
  EXPECT_FALSE(charactersPartOfSet(withLetter, digit, false));
  EXPECT_TRUE(charactersPartOfSet(digits, digit, false));
  testhooks::resetWorkAllocationFailures();
}

INSTANTIATE_FORMS(CharacterSetRepStrings);

}  // namespace
}  // namespace orvin
