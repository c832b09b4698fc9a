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
// Indexes that are past the end or negative as signed values.
const NSUInteger kOutside[] = {NSUInteger{1} << 63, ~NSUInteger{0}, (NSUInteger{1} << 63) + 1};

struct RangeCase {
  std::u16string text;
  NSUInteger index;
  NSRange range;
};

class Words : public FormTest {
 protected:
  // Checks the finder and its text companion against each case.
  template <class Find, class Text>
  void check(const std::vector<RangeCase>& cases, Find&& find, Text&& text) {
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

std::vector<std::uint8_t> repOf(std::u16string_view members) {
  std::vector<std::uint8_t> rep(kCharacterSetRepBytes, 0);
  for (char16_t c : members) rep[c >> 3] |= static_cast<std::uint8_t>(1u << (c & 7));
  return rep;
}

TEST_P(Words, WordRanges) {
  std::vector<RangeCase> cases = {
      {u"hello world", 1, {0, 5}},
      {u"hello world", 0, {0, 5}},
      {u"hello world", 4, {0, 5}},
      {u"hello world", 5, kNone},
      {u"hello world", 8, {6, 5}},
      {u"hello world", 10, {6, 5}},
      {u"hello world", 11, kNone},  // at the length
      {u"hello world", NSNotFound, {6, 5}},
      {u"hello.", NSNotFound, kNone},
      {u"", 0, kNone},
      {u"", NSNotFound, kNone},
      {u"x", NSNotFound, {0, 1}},
      {u"foo_bar", 1, {0, 3}},
      {u"a\u00F1o2024 x", 0, {0, 7}},
      {u"e\u0301t\u00E9", 2, {0, 4}},  // a combining mark is a word character
      {u"ab\U0001F600cd", 1, {0, 2}},  // a surrogate pair ends the word
      {u"ab\U0001F600cd", 2, kNone},
      {u"\u0436\u0437 \u4E2D\u6587", 4, {3, 2}},
  };
  for (NSUInteger index : kOutside) cases.push_back({u"hello", index, kNone});
  check(cases, getWordRangeAtIndex, getWordAtIndex);
}

TEST_P(Words, FirstAndLastWord) {
  struct Case {
    std::u16string text, first, last;
  };
  const Case cases[] = {
      {u"hello world", u"hello", u"world"},
      {u" hello", u"", u"hello"},
      {u"hello.", u"hello", u""},
      {u"", u"", u""},
      {u"x", u"x", u"x"},
      {u"-", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    EXPECT_EQ(test::textOf(firstWord(make(c.text))), c.first);
    EXPECT_EQ(test::textOf(lastWord(make(c.text))), c.last);
  }
  EXPECT_TRUE(firstWord(String()).isNil() && lastWord(String()).isNil());
  // The whole string as its one word is the string itself.
  const String word = make(u"word");
  EXPECT_TRUE(firstWord(word).isIdenticalTo(word));
}

// Words longer than the inline window, read from both ends.
TEST_P(Words, LongWordsCrossTheReadingWindow) {
  const std::u16string text = std::u16string(10, u' ') + std::u16string(200, u'w') + u" tail";
  const String s = make(text);
  EXPECT_EQ(getWordRangeAtIndex(s, 150), (NSRange{10, 200}));
  EXPECT_EQ(getWordRangeAtIndex(s, 10), (NSRange{10, 200}));
  EXPECT_EQ(getWordRangeAtIndex(s, NSNotFound), (NSRange{211, 4}));
  EXPECT_EQ(getLinkRangeAtIndex(s, 100), (NSRange{10, 200}));
}

TEST_P(Words, SubstringRanges) {
  const std::vector<std::uint8_t> punct = repOf(u",;");
  std::vector<RangeCase> cases = {
      {u"a,b;c", 2, {2, 1}}, {u"a,b;c", 1, kNone}, {u"a,b;c", 0, {0, 1}},
      {u"a,b;c", 4, {4, 1}}, {u"a,b;c", 5, kNone}, {u",,", 0, kNone},
      {u"ab cd", 1, {0, 5}}, {u"", 0, kNone},      {u"a,b", NSNotFound, kNone},
  };
  for (NSUInteger index : kOutside) cases.push_back({u"ab", index, kNone});
  auto find = [&](const String& s, NSUInteger i) {
    return getSubstringRangeAtIndex(s, i, punct.data());
  };
  auto text = [&](const String& s, NSUInteger i) {
    return getSubstringAtIndex(s, i, punct.data());
  };
  check(cases, find, text);
  // A null rep separates nothing.
  EXPECT_EQ(getSubstringRangeAtIndex(make(u"a,b"), 1, nullptr), (NSRange{0, 3}));
  EXPECT_EQ(getSubstringRangeAtIndex(make(u"a,b"), 3, nullptr), kNone);
}

TEST_P(Words, LinkRanges) {
  std::vector<RangeCase> cases = {
      {u"see <ab/cd>, ok", 6, {5, 5}},
      {u"go to ab.cd/ef.", 8, {6, 8}},
      {u"x (ab.cd)", 4, {2, 7}},
      {u"a<b>c", 2, {2, 1}},
      {u"ab>cd ef", 3, {0, 5}},  // a ">" before the index belongs to the link
      {u"ab> cd", 1, {0, 2}},
      {u"ab <cd", 2, {3, 3}},          // on white space: the token that follows
      {u"ab <cd", 3, {4, 2}},          // on "<": the same
      {u"x ...", 3, kNone},            // only trailing punctuation
      {u"\u201Cab\u201D", 1, {0, 3}},  // the closing quote is trimmed, the opening one kept
      {u"www.x.org/a_(b)", 3, {0, 15}},
      // e-mail addresses: the index on "@"
      {u"mail: ab.c@de!", 10, {6, 7}},
      {u"(ab@cd)", 3, {1, 5}},
      {u"x..ab@cd", 5, {3, 5}},
      {u".ab@cd", 3, {1, 5}},
      {u"@ab", 0, kNone},
      {u"a@b@c", 1, {0, 3}},
      {u"[ab@cd]", 3, {1, 5}},
      {u"\"ab@cd\"", 3, {1, 5}},
      {u"x|ab@cd|", 4, {2, 5}},
      {u"'ab@cd'*", 3, {1, 5}},
      {u"ab@", 2, {0, 3}},
      {u" @cd", 1, {1, 3}},
      {u"", 0, kNone},
      {u"ab", 2, kNone},
  };
  for (NSUInteger index : kOutside) cases.push_back({u"ab", index, kNone});
  cases.push_back({u"ab", NSNotFound, kNone});
  check(cases, getLinkRangeAtIndex, getLinkAtIndex);
}

INSTANTIATE_FORMS(Words);

TEST(WordsNil, NilFindsNothing) {
  EXPECT_EQ(getWordRangeAtIndex(String(), NSNotFound), kNone);
  EXPECT_EQ(getLinkRangeAtIndex(String(), 0), kNone);
  EXPECT_TRUE(getLinkAtIndex(String(), 0).isNil());
  EXPECT_TRUE(getSubstringAtIndex(String(), 0, nullptr).isNil());
  // Not found on a real string is "", never nil.
  EXPECT_FALSE(getWordAtIndex(u" ", 0).isNil());
}

}  // namespace
}  // namespace orvin
