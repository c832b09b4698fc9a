#include "strings/Words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/CharacterSetReps.h"

namespace orvin {
namespace {

using test::FormTest;

constexpr NSRange kNone{NSNotFound, 0};
// Indexes that are negative as signed values.
const NSUInteger kNegative[] = {NSUInteger{1} << 63, ~NSUInteger{0}};

struct RangeCase {
  std::u16string text;
  NSUInteger index;
  NSRange range;
};

class Words : public FormTest {
 protected:
  // Checks a finder and its text companion against each case.
  template <class Find, class Text>
  void check(std::vector<RangeCase> cases, Find&& find, Text&& text) {
    for (NSUInteger index : kNegative) cases.push_back({u"ab", index, kNone});
    for (const RangeCase& c : cases) {
      SCOPED_TRACE(test::utf8(c.text) + " @" + std::to_string(c.index));
      const String s = make(c.text);
      EXPECT_EQ(find(s, c.index), c.range);
      const std::u16string expected =
          c.range.location == NSNotFound ? u"" : c.text.substr(c.range.location, c.range.length);
      EXPECT_EQ(test::textOf(text(s, c.index)), expected);
    }
  }
};

TEST_P(Words, WordRanges) {
  check(
      {
          {u"hello world", 1, {0, 5}},
          {u"hello world", 8, {6, 5}},
          {u"hello world", 11, kNone},  // at the length
          {u"hello world", NSNotFound, {6, 5}},
          {u"hello.", NSNotFound, kNone},
          {u"", NSNotFound, kNone},
          {u"a\u00F1o2024 x", 0, {0, 7}},
          {u"e\u0301t\u00E9", 2, {0, 4}},  // a combining mark is a word character
          {u"ab\U0001F600cd", 1, {0, 2}},  // a surrogate pair ends the word
          {u"ab\U0001F600cd", 2, kNone},
      },
      getWordRangeAtIndex, getWordAtIndex);
  EXPECT_EQ(firstWord(make(u" hello")).toU16String(), u"");
  EXPECT_EQ(lastWord(make(u"hello world")).toU16String(), u"world");
  const String word = make(u"word");
  EXPECT_TRUE(firstWord(word).isIdenticalTo(word));
  EXPECT_TRUE(lastWord(String()).isNil());
}

// Runs longer than the inline window, read from both ends.
TEST_P(Words, LongRunsCrossTheReadingWindow) {
  const String s = make(std::u16string(10, u' ') + std::u16string(200, u'w') + u" tail");
  EXPECT_EQ(getWordRangeAtIndex(s, 150), (NSRange{10, 200}));
  EXPECT_EQ(getWordRangeAtIndex(s, NSNotFound), (NSRange{211, 4}));
  EXPECT_EQ(getLinkRangeAtIndex(s, 100), (NSRange{10, 200}));
}

TEST_P(Words, SubstringRanges) {
  std::vector<std::uint8_t> punct(kCharacterSetRepBytes, 0);
  punct[',' / 8] |= 1u << (',' % 8);
  punct[';' / 8] |= 1u << (';' % 8);
  check(
      {
          {u"a,b;c", 2, {2, 1}},
          {u"a,b;c", 4, {4, 1}},
          {u"a,b;c", 5, kNone},
          {u"ab cd", 1, {0, 5}},
          {u"a,b", NSNotFound, kNone},
      },
      [&](const String& s, NSUInteger i) { return getSubstringRangeAtIndex(s, i, punct.data()); },
      [&](const String& s, NSUInteger i) { return getSubstringAtIndex(s, i, punct.data()); });
  // A null rep separates nothing.
  EXPECT_EQ(getSubstringRangeAtIndex(make(u"a,b"), 1, nullptr), (NSRange{0, 3}));
}

TEST_P(Words, LinkRanges) {
  check(
      {
          {u"see <ab/cd>, ok", 6, {5, 5}},
          {u"x (ab.cd)", 4, {2, 7}},
          {u"ab>cd ef", 3, {0, 5}},  // a ">" before the index belongs to the link
          {u"ab <cd", 2, {3, 3}},    // on white space: the token that follows
          {u"x ...", 3, kNone},      // only trailing punctuation
          // e-mail addresses: the index on "@"
          {u"mail: ab.c@de!", 10, {6, 7}},
          {u"(ab@cd)", 3, {1, 5}},
          {u".ab@cd", 3, {1, 5}},
          {u"@ab", 0, kNone},
          {u"a@b@c", 1, {0, 3}},
          {u"[ab@cd]", 3, {1, 5}},
          {u"ab", 2, kNone},
          {u"ab", NSNotFound, kNone},
      },
      getLinkRangeAtIndex, getLinkAtIndex);
  EXPECT_TRUE(getLinkAtIndex(String(), 0).isNil());
  EXPECT_FALSE(getLinkAtIndex(make(u" "), 0).isNil());
}

INSTANTIATE_FORMS(Words);

}  // namespace
}  // namespace orvin
