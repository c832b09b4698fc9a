#include "paths/Replacing.h"

#include <gtest/gtest.h>

#include "chars/PlatformException.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;

class Replacing : public test::FormTest {};

TEST_P(Replacing, CopiesAndInPlace) {
  struct Case {
    const char16_t* text;
    const char16_t* target;       // nullptr: nil
    const char16_t* replacement;  // nullptr: nil
    CaseMode mode;
    const char16_t* copy;
    const char16_t* inPlace;
    NSUInteger count;
  };
  const auto kI = CaseMode::insensitive;
  const auto kS = CaseMode::sensitive;
  const Case cases[] = {
      {u"a-b-c", u"-", u"+", kS, u"a+b+c", u"a+b+c", 2},
      {u"a-b-c", u"-", nullptr, kS, u"a-b-c", u"abc", 2},  // nil deletes only in place
      {u"aXa", u"x", u"y", kI, u"aya", u"aya", 1},
      {u"aXa", u"x", u"y", kS, u"aXa", u"aXa", 0},
      {u"aaa", u"aa", u"b", kS, u"ba", u"ba", 1},
      {u"abc", u"", u"x", kS, u"abc", u"abc", 0},
      {u"abc", nullptr, u"x", kS, u"abc", u"abc", 0},
      {u"", u"a", u"x", kS, u"", u"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    const String s = make(c.text);
    const String target = c.target ? makeOther(c.target) : String();
    const String replacement = c.replacement ? makeOther(c.replacement) : String();
    EXPECT_EQ(textOf(stringByReplacingString(s, target, replacement, c.mode)), c.copy);
    MutableString m(s);
    EXPECT_EQ(replaceString(m, target, replacement, c.mode), c.count);
    EXPECT_EQ(textOf(m), c.inPlace);
    EXPECT_EQ(textOf(s), c.text);  // the source is never touched
  }
}

TEST_P(Replacing, CharactersFormatsAndDeletions) {
  const String source = make(u"AaBa");
  MutableString m(source);
  EXPECT_EQ(replaceCharacter(m, u'a', u'x', CaseMode::insensitive), 3u);
  EXPECT_EQ(textOf(m), u"xxBx");
  EXPECT_EQ(textOf(source), u"AaBa");
  EXPECT_EQ(replaceCharacter(m, u'q', u'x'), 0u);
  EXPECT_EQ(replaceCharacter(m, u'B', u'b'), 1u);
  EXPECT_EQ(textOf(m), u"xxbx");

  MutableString f(make(u"N of N"));
  EXPECT_EQ(replaceStringWithFormat(f, u"N", u"%d", {7}), 2u);
  EXPECT_EQ(textOf(f), u"7 of 7");
  EXPECT_EQ(replaceStringWithFormat(f, u"7", String(), {}), 0u);

  MutableString d(make(u"a--b--"));
  EXPECT_EQ(deleteString(d, u"--"), 2u);
  EXPECT_EQ(textOf(d), u"ab");
  EXPECT_EQ(deleteString(d, String()), 0u);

  EXPECT_EQ(textOf(stringByRemovingCharacters(make(u"banana"), u'a')), u"bnn");
  EXPECT_EQ(textOf(stringByRemovingCharactersOfString(make(u"abcab"), u"ab")), u"c");
  EXPECT_TRUE(stringByRemovingCharacters(String(), u'a').isNil());
}

TEST_P(Replacing, SmallEditsCheckTheirArguments) {
  MutableString m(make(u"ac"));
  insertCharacter(m, u'b', 1);
  insertCharacter(m, u'd', 3);  // at the end
  EXPECT_EQ(textOf(m), u"abcd");
  removeCharacterAtIndex(m, 3);  // the last one
  EXPECT_EQ(textOf(m), u"abc");
  EXPECT_THROW(removeCharacterAtIndex(m, 3), PlatformException);
  EXPECT_THROW(insertCharacter(m, u'x', 4), PlatformException);
  appendUnichar(m, u'\u00E9');
  const unichar more[] = {u'x', u'y'};
  appendUnichars(m, more);
  appendUnichars(m, {});
  EXPECT_EQ(textOf(m), u"abc\u00E9xy");
  appendSubstring(m, makeOther(u"0123"), {1, 3});
  appendSubstring(m, makeOther(u"0123"), {4, 0});
  EXPECT_THROW(appendSubstring(m, makeOther(u"0123"), {2, 3}), PlatformException);
  appendTrimmedString(m, makeOther(u"  z \n"));
  appendTrimmedString(m, String());
  EXPECT_EQ(textOf(m), u"abc\u00E9xy123z");
  removeAttachments(m);
  removeLinks(m);
  removeAttribute(m, u"link");
  EXPECT_EQ(textOf(m), u"abc\u00E9xy123z");
}

INSTANTIATE_FORMS(Replacing);

}  // namespace
}  // namespace orvin
