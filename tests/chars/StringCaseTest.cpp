#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"
#include "chars/MutableString.h"
#include "chars/PlatformException.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using Form = MutableString::NormalizationForm;

using test::utf8;

class StringCase : public test::FormTest {
 protected:
  MutableString edit(std::u16string_view text) const { return MutableString(make(text)); }
};

TEST_P(StringCase, InPlaceRewrites) {
  using M = MutableString;
  struct Case {
    void (MutableString::*op)();
    std::u16string_view text, expected;
  } cases[] = {// Case mapping (checked against ICU elsewhere) ignores the locale.
               {&M::lowercase, u"İ", u"i\u0307"},
               {&M::uppercase, u"i", u"I"},
               {&M::capitalize, u"hello wORLD", u"Hello World"},
               {&M::capitalize, u"don't stop-now", u"Don't Stop-Now"},
               {&M::capitalize, u"ǆemal", u"ǅemal"},
               {&M::foldDiacritics, u"e\u0301\u0323", u"e"},
               // White space is the Unicode class; format characters are not in it.
               {&M::trimWhitespace, u"\u00A0x y\u0085\f\v", u"x y"},
               {&M::trimWhitespace, u"\u2028\u3000\u1680x\u2029\u205F", u"x"},
               {&M::trimWhitespace, u"\u200Bx\uFEFF", u"\u200Bx\uFEFF"}};
  for (const Case& c : cases) {
    MutableString s = edit(c.text);
    (s.*c.op)();
    EXPECT_EQ(s.toU16String(), c.expected) << utf8(c.text);
  }
  const std::tuple<Form, std::u16string_view, std::u16string_view> normals[] = {
      {Form::D, u"é", u"e\u0301"},
      {Form::C, u"e\u0301", u"é"},
      {Form::KD, u"ﬁé", u"fie\u0301"},
      {Form::KC, u"①²", u"12"}};
  for (const auto& [form, text, expected] : normals) {
    MutableString s = edit(text);
    s.normalize(form);
    EXPECT_EQ(s.toU16String(), expected) << utf8(text);
  }
  const std::u16string pad(100, u' ');
  MutableString s = edit(pad + u"core" + pad);
  s.trimWhitespace();
  EXPECT_EQ(s.toU16String(), u"core");
  // Nothing to change: the text keeps its storage.
  const String before = s;
  s.lowercase();
  s.normalize(Form::C);
  s.normalize(static_cast<Form>(9));
  EXPECT_TRUE(s.isIdenticalTo(before));
}

TEST_P(StringCase, ReplaceOccurrences) {
  constexpr NSUInteger kNoCase = kCompareCaseInsensitive, kBack = kCompareBackwards,
                       kAnchor = kCompareAnchored;
  constexpr NSRange kAll{0, NSNotFound};  // stands for the whole text
  struct Case {
    std::u16string_view text, target, replacement;
    NSUInteger options;
    NSRange range;
    std::u16string_view expected;
    NSUInteger count;
  } cases[] = {{u"a-b-c", u"-", u"+", 0, kAll, u"a+b+c", 2},
               {u"aaa", u"aa", u"b", 0, kAll, u"ba", 1},
               {u"aaa", u"aa", u"b", kBack, kAll, u"ab", 1},
               {u"aXa", u"a", u"aa", kBack, kAll, u"aaXaa", 2},
               {u"xaxax", u"x", u"", 0, {1, 3}, u"xaax", 1},
               {u"xaxax", u"ax", u"-", 0, {0, 4}, u"x-ax", 1},
               {u"Hello HELLO hello", u"hello", u"bye", kNoCase, kAll, u"bye bye bye", 3},
               {u"--a--", u"-", u"+", kAnchor | kBack, kAll, u"--a-+", 1},
               {u"a--", u"-", u"+", kAnchor, kAll, u"a--", 0},
               {u"\U00010400x\U00010400", u"\U00010428", u"y", kNoCase, kAll, u"yxy", 2},
               {u"İstanbul Istanbul", u"istanbul", u"X", kNoCase, kAll, u"İstanbul X", 1},
               {u"abc", u"", u"x", 0, kAll, u"abc", 0}};
  for (const Case& c : cases) {
    MutableString s = edit(c.text);
    const NSRange range = c.range == kAll ? NSRange{0, c.text.size()} : c.range;
    EXPECT_EQ(s.replaceOccurrencesOfString(make(c.target), make(c.replacement), c.options, range),
              c.count)
        << utf8(c.text) << " / " << utf8(c.target);
    EXPECT_EQ(s.toU16String(), c.expected) << utf8(c.text) << " / " << utf8(c.target);
  }
  MutableString s = edit(u"a-b");
  EXPECT_EQ(s.replaceOccurrencesOfString(make(u"-"), String(), 0, {0, 3}), 1u);
  const String same = s;
  EXPECT_EQ(s.replaceOccurrencesOfString(same, make(u"x"), 0, {0, 2}), 1u);
  EXPECT_EQ(same.toU16String(), u"ab");
  EXPECT_THROW((void)s.replaceOccurrencesOfString(make(u""), make(u"y"), 0, {1, 1}),
               PlatformException);
  EXPECT_EQ(s.toU16String(), u"x");
}

TEST_P(StringCase, LongTextsAreEditedWithoutWorkMemory) {
  // Both forms are read in place (compact text in stack windows), so no
  // heap copy of the text can fail.
  const std::u16string text = std::u16string(150, u'A') + u"-" + std::u16string(150, u'B');
  MutableString s = edit(text);
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(s.replaceOccurrencesOfString(make(u"-"), make(u"+"), 0, {0, 301}), 1u);
  MutableString t = edit(text);
  t.lowercase();
  testhooks::resetWorkAllocationFailures();
  EXPECT_EQ(s.characterAtIndex(150), u'+');
  EXPECT_EQ(t.characterAtIndex(0), u'a');
}

INSTANTIATE_FORMS(StringCase);

}  // namespace
}  // namespace orvin
