#include "chars/CharacterSetReps.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/CharacterSet.h"
#include "chars/WorkMemory.h"

namespace orvin {
namespace {

using test::FormTest;

// Columns: space, white, alpha, alphaNum, digit, lower, upper.
struct MembershipRow {
  unichar c;
  std::array<bool, 7> in;
};

constexpr bool Y = true, N = false;

const MembershipRow kMembership[] = {
    // clang-format off
    {0x0000, {Y, Y, N, N, N, N, N}},  // added to space and white
    {0x0003, {N, Y, N, N, N, N, N}},  // added to white only
    {0x0009, {Y, Y, N, N, N, N, N}},
    {0x000A, {N, Y, N, N, N, N, N}},
    {0x0041, {N, N, Y, Y, N, N, Y}},
    {0x007A, {N, N, Y, Y, N, Y, N}},
    {0x0085, {N, Y, N, N, N, N, N}},
    {0x00A0, {Y, Y, N, N, N, N, N}},
    {0x00BD, {N, N, N, Y, N, N, N}},  // No: a number, not a digit
    {0x01C5, {N, N, Y, Y, N, N, Y}},  // title case counts as upper
    {0x0301, {N, N, Y, Y, N, N, N}},  // marks count as letters
    {0x0661, {N, N, N, Y, Y, N, N}},
    {0x200B, {N, N, N, N, N, N, N}},  // zero-width space is Cf
    {0x4E00, {N, N, Y, Y, N, N, N}},
    {0xD800, {N, N, N, N, N, N, N}},
    {0xFEFF, {N, Y, N, N, N, N, N}},
    {0xFFFF, {N, N, N, N, N, N, N}},
    // clang-format on
};

std::array<const std::uint8_t*, 7> libraryReps() {
  return {spaceCharacterSetRep(),    whiteCharacterSetRep(), alphaCharacterSetRep(),
          alphaNumCharacterSetRep(), digitCharacterSetRep(), lowerCharacterSetRep(),
          upperCharacterSetRep()};
}

TEST(CharacterSetRepsTest, MembershipOfTheLibraryReps) {
  const auto reps = libraryReps();
  for (const auto* rep : reps) ASSERT_NE(rep, nullptr);
  for (const MembershipRow& row : kMembership) {
    for (std::size_t k = 0; k < reps.size(); ++k) {
      EXPECT_EQ(isInCharacterSetRep(reps[k], row.c), row.in[k])
          << "U+" << std::hex << static_cast<unsigned>(row.c) << " column " << k;
    }
  }
}

TEST(CharacterSetRepsTest, EmptyRepHasNoMembers) {
  const std::uint8_t* empty = emptyCharacterSetRep();
  ASSERT_NE(empty, nullptr);
  const std::vector<std::uint8_t> zeros(kCharacterSetRepBytes, 0);
  EXPECT_EQ(std::memcmp(empty, zeros.data(), kCharacterSetRepBytes), 0);
}

// The reps are their character set plus the documented additions, nothing
// else: any stray bit shows up as an extra difference.
TEST(CharacterSetRepsTest, RepsDifferFromTheirSetsOnlyByTheAdditions) {
  struct Case {
    const std::uint8_t* rep;
    const CharacterSet* set;
    std::vector<unichar> added;
  };
  const Case cases[] = {
      {spaceCharacterSetRep(), CharacterSet::whitespaceCharacterSet(), {0x0000}},
      {whiteCharacterSetRep(),
       CharacterSet::whitespaceAndNewlineCharacterSet(),
       {0x0000, 0x0003, 0xFEFF, 0xFFFC}},
      {alphaCharacterSetRep(), CharacterSet::letterCharacterSet(), {}},
      {alphaNumCharacterSetRep(), CharacterSet::alphanumericCharacterSet(), {}},
      {digitCharacterSetRep(), CharacterSet::decimalDigitCharacterSet(), {}},
      {lowerCharacterSetRep(), CharacterSet::lowercaseLetterCharacterSet(), {}},
      {upperCharacterSetRep(), CharacterSet::uppercaseLetterCharacterSet(), {}},
  };
  for (const Case& k : cases) {
    ASSERT_NE(k.rep, nullptr);
    ASSERT_NE(k.set, nullptr);
    std::vector<unichar> differences;
    for (unsigned u = 0; u < 0x10000; ++u) {
      const auto c = static_cast<unichar>(u);
      if (isInCharacterSetRep(k.rep, c) != k.set->characterIsMember(c)) differences.push_back(c);
    }
    EXPECT_EQ(differences, k.added);
  }
}

TEST(CharacterSetRepsTest, AlphaBoundsAreCachedAndStable) {
  EXPECT_EQ(firstAlphaCharacter(), u'A');
  EXPECT_EQ(firstAlphaCharacter(), u'A');
  EXPECT_EQ(lastAlphaCharacter(), 0xFFDC);  // HALFWIDTH HANGUL LETTER I
  EXPECT_EQ(lastAlphaCharacter(), 0xFFDC);
}

TEST(CharacterSetRepsTest, BuildFailsCleanlyWithoutMemory) {
  using Kind = detail::CharacterSetRepKind;
  const std::pair<Kind, const std::uint8_t*> kinds[] = {
      {Kind::empty, emptyCharacterSetRep()},       {Kind::space, spaceCharacterSetRep()},
      {Kind::white, whiteCharacterSetRep()},       {Kind::alpha, alphaCharacterSetRep()},
      {Kind::alphaNum, alphaNumCharacterSetRep()}, {Kind::digit, digitCharacterSetRep()},
      {Kind::lower, lowerCharacterSetRep()},       {Kind::upper, upperCharacterSetRep()},
  };
  for (const auto& [kind, cached] : kinds) {
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(detail::buildCharacterSetRep(kind), nullptr) << static_cast<int>(kind);
    testhooks::resetWorkAllocationFailures();
    std::uint8_t* fresh = detail::buildCharacterSetRep(kind);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::memcmp(fresh, cached, kCharacterSetRepBytes), 0) << static_cast<int>(kind);
    releaseWorkMemory(fresh);
  }
}

// Null reps have no members; callers' own reps work like the library's.
TEST(CharacterSetRepsTest, NullAndCallerReps) {
  std::vector<std::uint8_t> hyphen(kCharacterSetRepBytes, 0);
  hyphen[5] = 1 << 5;  // U+002D
  const String s = u"a--b";
  EXPECT_TRUE(characterPartOfSet(s, hyphen.data()));
  EXPECT_EQ(countCharactersPartOfSet(s, hyphen.data()), 2u);
  EXPECT_FALSE(charactersPartOfSet(s, hyphen.data(), true));
  EXPECT_TRUE(charactersPartOfSet(u"--", hyphen.data(), false));

  EXPECT_FALSE(characterPartOfSet(s, nullptr));
  EXPECT_EQ(countCharactersPartOfSet(s, nullptr), 0u);
  EXPECT_FALSE(charactersPartOfSet(s, nullptr, true));
  EXPECT_TRUE(charactersPartOfSet(u"", nullptr, true));
  EXPECT_FALSE(containsCharacterPartOfCharacterSetRep(s, nullptr));
  EXPECT_EQ(countCharactersPartOfCharacterSetRep(s, hyphen.data()), 2u);
}

class CharacterSetRepsStringTest : public FormTest {};

struct StringRow {
  std::u16string text;
  bool space, white, digit, alpha, alphaNum;
  NSUInteger whites, digits, alphas, alphaNums;
};

const StringRow kStrings[] = {
    {u"", Y, Y, N, N, N, 0, 0, 0, 0},
    {std::u16string(u"\0\t\0", 3), Y, Y, N, N, N, 3, 0, 0, 0},
    {u" \n", N, Y, N, N, N, 2, 0, 0, 0},
    {u"\x03", N, Y, N, N, N, 1, 0, 0, 0},
    {u"\xFFFC", N, Y, N, N, N, 1, 0, 0, 0},
    {u"\xFEFF", N, Y, N, N, N, 1, 0, 0, 0},
    {u"\xA0\x2029", N, Y, N, N, N, 2, 0, 0, 0},
    {u"a1b22", N, N, N, N, Y, 0, 3, 2, 5},
    {u"abc", N, N, N, Y, Y, 0, 0, 3, 3},
    {u"0123456789", N, N, Y, N, Y, 0, 10, 0, 10},
    {u"Grüße", N, N, N, Y, Y, 0, 0, 5, 5},
    {u"\xBD", N, N, N, N, Y, 0, 0, 0, 1},
    {u"e\x0301", N, N, N, Y, Y, 0, 0, 2, 2},
    {u"\xD801\xDC00", N, N, N, N, N, 0, 0, 0, 0},  // U+10400: a letter, but as surrogates
    {u"x\xD801\xDC00", N, N, N, N, N, 0, 0, 1, 1},
    {u"two words", N, N, N, N, N, 1, 0, 8, 8},
};

TEST_P(CharacterSetRepsStringTest, PredicatesCountsAndContains) {
  for (const StringRow& row : kStrings) {
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

// 300 code units: a compact string goes through a heap work buffer. The one
// odd unit sits last so that a scan stopping short is caught.
TEST_P(CharacterSetRepsStringTest, LongStringsAreScannedToTheEnd) {
  const String digits = make(std::u16string(300, u'7'));
  const String withLetter = make(std::u16string(299, u'7') + u"x");
  ASSERT_EQ(digits.isCompact(), GetParam() == test::Form::Compact);
  EXPECT_TRUE(isDigitString(digits));
  EXPECT_EQ(countDigitCharacters(digits), 300u);
  EXPECT_FALSE(containsAlphaCharacter(digits));
  EXPECT_FALSE(isDigitString(withLetter));
  EXPECT_EQ(countDigitCharacters(withLetter), 299u);
  EXPECT_TRUE(containsAlphaCharacter(withLetter));
}

// Without memory for the work buffer the scans give their failure answers;
// strings with direct access need no buffer and still answer truly.
TEST_P(CharacterSetRepsStringTest, WorkBufferFailureAnswers) {
  const std::uint8_t* digit = digitCharacterSetRep();
  ASSERT_NE(digit, nullptr);
  const String s = make(std::u16string(299, u'7') + u"x");
  const bool copied = GetParam() == test::Form::Compact;

  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(characterPartOfSet(s, digit), !copied);
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(countCharactersPartOfSet(s, digit), copied ? 0u : 299u);
  testhooks::failNextWorkAllocations(1);
  EXPECT_FALSE(charactersPartOfSet(s, digit, false));
  // Not even a text of digits only is claimed to be all digits unseen.
  const String digits = make(std::u16string(300, u'7'));
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(charactersPartOfSet(digits, digit, false), !copied);
  testhooks::resetWorkAllocationFailures();
}

INSTANTIATE_FORMS(CharacterSetRepsStringTest);

}  // namespace
}  // namespace orvin
