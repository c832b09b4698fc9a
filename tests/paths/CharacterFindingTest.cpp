#include "paths/CharacterFinding.h"

#include <gtest/gtest.h>

#include "chars/internal/TestHooks.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;
constexpr auto kSensitive = CaseMode::sensitive;
constexpr auto kInsensitive = CaseMode::insensitive;

class CharacterScans : public test::FormTest {};

TEST_P(CharacterScans, CountFindAndFindLast) {
  struct Case {
    const char16_t* text;
    unichar c;
    NSUInteger start;
    CaseMode mode;
    NSUInteger count, first, last;
  };
  const NSUInteger no = NSNotFound;
  const Case cases[] = {
      {u"Banana", u'a', 0, kSensitive, 3, 1, 5},
      {u"abc", u'B', 0, kInsensitive, 1, 1, 1},
      {u"aBc", u'b', 0, kSensitive, 0, no, no},
      {u"AaBa", u'a', 0, kInsensitive, 3, 0, 3},
      {u"AaBa", u'a', 0, kSensitive, 2, 1, 3},
      {u"abab", u'a', 2, kSensitive, 1, 2, 2},
      {u"abab", u'b', 2, kSensitive, 1, 3, 3},
      {u"abab", u'a', 3, kSensitive, 0, no, no},  // index 2 lies below start
      {u"abab", u'b', 3, kSensitive, 1, 3, 3},    // one step inside the end
      {u"abab", u'b', 4, kSensitive, 0, no, no},  // start at the end
      {u"abab", u'b', no, kSensitive, 0, no, no},
      {u"", u'a', 0, kInsensitive, 0, no, no},
      {u"1-1", u'1', 0, kInsensitive, 2, 0, 2},  // no case forms: exact
      {u"\u00C4\u00E4x", u'\u00E4', 0, kInsensitive, 2, 0, 1},
      {u"\u00C4\u00E4x", u'\u00E4', 1, kInsensitive, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text) + " start " + std::to_string(c.start));
    const String s = make(c.text);
    EXPECT_EQ(countCharacter(s, c.c, c.start, c.mode), c.count);
    EXPECT_EQ(findCharacter(s, c.c, c.start, c.mode), c.first);
    EXPECT_EQ(findLastCharacter(s, c.c, c.start, c.mode), c.last);
    EXPECT_EQ(containsCharacter(s, c.c, c.start, c.mode), c.first != no);
  }
  EXPECT_EQ(countCharacter(String(), u'a'), 0u);
  EXPECT_EQ(findCharacter(String(), u'a', kInsensitive), NSNotFound);
  EXPECT_EQ(findCharacter(make(u"xax"), u'a', 1), 1u);  // a literal start resolves
}

TEST_P(CharacterScans, FindOneOf) {
  struct Case {
    const char16_t* text;
    const char16_t* set;  // nullptr: nil
    NSUInteger start;
    CaseMode mode;
    NSUInteger expected;
  };
  const Case cases[] = {
      {u"a=b?c", u"?&;=#", 0, kSensitive, 1},
      {u"a=b?c", u"?&;=#", 2, kSensitive, 3},
      {u"a=b?c", u"?&;=#", 4, kSensitive, NSNotFound},
      {u"a=b?c", u"", 0, kSensitive, NSNotFound},
      {u"a=b?c", nullptr, 0, kSensitive, NSNotFound},
      {u"xyZ", u"z", 0, kSensitive, NSNotFound},
      {u"xyZ", u"z", 0, kInsensitive, 2},
      {u"", u"a", 0, kSensitive, NSNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    const String set = c.set ? makeOther(c.set) : String();
    EXPECT_EQ(findOneOf(make(c.text), set, c.start, c.mode), c.expected);
  }
}

TEST_P(CharacterScans, PunctuationAndBrackets) {
  const String noon = make(u"1.0 @ noon");
  EXPECT_TRUE(containsCharacters(noon, kPunctuationPeriod | kPunctuationAt));
  EXPECT_FALSE(containsCharacters(noon, kPunctuationPeriod | kPunctuationSlash));
  EXPECT_FALSE(containsCharacters(noon, 0));
  EXPECT_FALSE(containsCharacters(noon, 256 | kPunctuationPeriod));
  EXPECT_TRUE(containsCharacters(make(u"$*_;?/@."), 255));
  EXPECT_FALSE(containsCharacters(make(u""), kPunctuationAt));

  struct Case {
    const char16_t* text;
    bool balanced;
    NSUInteger lt, gt;
  };
  const Case cases[] = {
      {u"<a><b>", true, 2, 2}, {u"<a>>", false, 1, 2}, {u"abc", false, 0, 0}, {u"", false, 0, 0}};
  for (const Case& c : cases) {
    NSUInteger lt = 99, gt = 99;
    EXPECT_EQ(countLTGT(make(c.text), &lt, &gt), c.balanced) << test::utf8(c.text);
    EXPECT_EQ(lt, c.lt);
    EXPECT_EQ(gt, c.gt);
  }
  EXPECT_TRUE(countLTGT(make(u"<>"), nullptr, nullptr));
}

TEST_P(CharacterScans, ReplacingAndRotating) {
  const String aa = make(u"Aa");
  EXPECT_EQ(textOf(stringByReplacingCharacterWithCharacterCaseSensitive(aa, u'a', u'x', false)),
            u"xx");
  EXPECT_EQ(textOf(stringByReplacingCharacterWithCharacterCaseSensitive(aa, u'a', u'x', true)),
            u"Ax");
  EXPECT_EQ(textOf(stringByReplacingCharacter(aa, u'a', u'x', kInsensitive)), u"xx");
  EXPECT_EQ(textOf(stringByReplacingCharacter(aa, u'a', u'\u20AC')), u"A\u20AC");
  EXPECT_TRUE(stringByReplacingCharacter(aa, u'a', u'a').isIdenticalTo(aa));
  EXPECT_TRUE(stringByReplacingCharacter(aa, u'q', u'x').isIdenticalTo(aa));
  EXPECT_TRUE(stringByReplacingCharacter(String(), u'a', u'x').isNil());

  const String hello = make(u"Hello, World! \u00E9z");
  EXPECT_EQ(textOf(stringByRotating13(hello)), u"Uryyb, Jbeyq! \u00E9m");
  EXPECT_EQ(stringByRotating13(stringByRotating13(hello)), hello);
  EXPECT_EQ(textOf(stringByRotating(make(u"zZaA"), 27)), u"aAbB");
  EXPECT_EQ(textOf(stringByRotating(make(u"zZ"), 25)), u"yY");
  EXPECT_TRUE(stringByRotating(hello, 52).isIdenticalTo(hello));
  EXPECT_TRUE(stringByRotating13(String()).isNil());
  EXPECT_EQ(textOf(stringByRotating13(make(u""))), u"");
}

// A text above 256 code units needs heap work memory: without it ROT13
// answers nil and replacing answers the text itself.
TEST_P(CharacterScans, WithoutMemory) {
  const String text = make(std::u16string(300, u'a'));
  testhooks::failNextWorkAllocations(1);
  EXPECT_TRUE(stringByRotating13(text).isNil());
  testhooks::failNextWorkAllocations(1);
  EXPECT_TRUE(stringByReplacingCharacter(text, u'a', u'b').isIdenticalTo(text));
  testhooks::resetWorkAllocationFailures();
  EXPECT_EQ(textOf(stringByRotating13(text)), std::u16string(300, u'n'));
}

INSTANTIATE_FORMS(CharacterScans);

}  // namespace
}  // namespace orvin
