#include "chars/StringServices.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "TestLocales.h"
#include "chars/PlatformException.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

constexpr NSRange kNotFound{NSNotFound, 0};
constexpr NSUInteger kNoCase = kCompareCaseInsensitive, kBack = kCompareBackwards,
                     kAnchor = kCompareAnchored;
constexpr auto kAsc = NSOrderedAscending, kSame = NSOrderedSame, kDesc = NSOrderedDescending;

using test::textOf;
using test::utf8;

class StringServices : public test::FormTest {};

// Plain orders and searches are checked against a reference loop on random
// texts (FastPathsTest); these tables pin the rules that loop shares.
TEST_P(StringServices, CompareRangeAndPrefix) {
  struct Case {
    std::u16string_view text;
    NSRange range;
    std::u16string_view other;
    NSUInteger options;
    NSComparisonResult expected;
  } cases[] = {{u"xABC", {1, 3}, u"abc", kNoCase, kSame},
               {u"xABC", {1, 3}, u"abc", 0, kAsc},
               {u"abc", {3, 0}, u"", 0, kSame},
               // Case-insensitive order is that of the folded units.
               {u"a", {0, 1}, u"B", kNoCase, kAsc},
               {u"a", {0, 1}, u"B", 0, kDesc},
               {u"\u212A", {0, 1}, u"k", kNoCase, kSame},
               // Simple folding only, and never the Turkic one.
               {u"ß", {0, 1}, u"ss", kNoCase, kDesc},
               {u"İ", {0, 1}, u"i", kNoCase, kDesc},
               // A surrogate pair folds as one code point; one cut by the range does not.
               {u"\U00010400x", {0, 3}, u"\U00010428X", kNoCase, kSame},
               {u"\U00010400", {1, 1}, u"\xDC28", kNoCase, kAsc}};
  for (const Case& c : cases) {
    EXPECT_EQ(compareRange(make(c.text), c.range, make(c.other), c.options), c.expected)
        << utf8(c.text) << " options " << c.options;
  }
  EXPECT_EQ(compareRange(make(u""), {0, 0}, String(), kNoCase), kSame);
  // Longer than the inline buffer's window.
  const std::u16string lower = std::u16string(200, u'q') + u"z";
  EXPECT_EQ(
      compareRange(make(u"xx" + std::u16string(200, u'Q') + u"Z"), {2, 201}, make(lower), kNoCase),
      kSame);
  EXPECT_THROW((void)compareRange(make(u"hello"), {3, 3}, make(u"lo"), 0), PlatformException);

  // The empty and the nil prefix are no prefix.
  EXPECT_TRUE(hasPrefix(make(u"Hello"), make(u"He")) && hasPrefix(make(u"He"), make(u"He")));
  for (const String& not_ : {make(u"he"), make(u"Hello!"), make(u""), String()}) {
    EXPECT_FALSE(hasPrefix(make(u"Hello"), not_)) << textOf(not_).size();
  }
}

TEST_P(StringServices, RangeOfString) {
  struct Case {
    std::u16string_view text, needle;
    NSUInteger options;
    NSRange range, expected;
  } cases[] = {{u"a.b.c", u".", 0, {0, 5}, {1, 1}},
               {u"abcabc", u"bc", 0, {0, 2}, kNotFound},  // a match must lie inside the range
               {u"aaa", u"aa", kBack, {0, 3}, {1, 2}},
               {u"a.b.c", u".b", kAnchor, {0, 5}, kNotFound},
               {u"a.b.c", u".b", kAnchor, {1, 4}, {1, 2}},
               {u"Hello WORLD", u"world", kNoCase, {0, 11}, {6, 5}},
               {u"Hello WORLD", u"world", 0, {0, 11}, kNotFound},
               {u"A.B", u".b", kNoCase | kAnchor | kBack, {0, 3}, {1, 2}},
               {u"ab\U00010400cd", u"\U00010428C", kNoCase, {0, 6}, {2, 3}},
               {u"\U00010428\U00010400", u"\U00010400", kNoCase | kBack, {0, 4}, {2, 2}},
               {u"DİYARBAKIR", u"diyarbakir", kNoCase, {0, 10}, kNotFound},
               {u"abc", u"", 0, {0, 3}, kNotFound}};
  for (const Case& c : cases) {
    EXPECT_EQ(rangeOfString(make(c.text), make(c.needle), c.options, c.range), c.expected)
        << utf8(c.text) << " / " << utf8(c.needle) << " options " << c.options;
  }
  EXPECT_EQ(rangeOfString(String(), make(u"a"), 0, {0, 0}), kNotFound);
  for (NSRange bad : {NSRange{4, 2}, NSRange{6, 0}, NSRange{1, NSNotFound * 2}}) {
    try {
      (void)rangeOfString(make(u"hello"), make(u""), 0, bad);
      ADD_FAILURE() << "no exception for " << bad.location << "," << bad.length;
    } catch (const PlatformException& e) {
      EXPECT_EQ(e.name(), NSRangeException);
    }
  }
}

TEST_P(StringServices, SearchNeedsNoWorkMemory) {
  // Both forms are read in place, however long: no heap copy to fail. A
  // caseless search folds into a stack window.
  const String s = make(std::u16string(300, u'a') + u"needle");
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(rangeOfString(s, make(u"needle"), 0, {0, s.length()}), NSMakeRange(300, 6));
  EXPECT_EQ(rangeOfString(s, make(u"NEEDLE"), kCompareCaseInsensitive, {0, s.length()}),
            NSMakeRange(300, 6));
  testhooks::resetWorkAllocationFailures();
}

TEST_P(StringServices, IntegerValue) {
  constexpr NSInteger kMax = std::numeric_limits<NSInteger>::max();
  constexpr NSInteger kMin = std::numeric_limits<NSInteger>::min();
  // No number: only ASCII digits count, and a zero width space is not white.
  for (std::u16string_view text :
       {u"", u"-", u"+-5", u"- 5", u"x12", u"\u200B5", u"\u0661\u0662"}) {
    EXPECT_EQ(integerValue(make(text)), 0) << utf8(text);
  }
  // Out of range saturates; 2^64 + 1 must not wrap to 1.
  for (std::u16string_view text :
       {u"9223372036854775807", u"9223372036854775808", u"18446744073709551617"}) {
    EXPECT_EQ(integerValue(make(text)), kMax) << utf8(text);
  }
  for (std::u16string_view text :
       {u"-9223372036854775808", u"-9223372036854775809", u"-99999999999999999999999"}) {
    EXPECT_EQ(integerValue(make(text)), kMin) << utf8(text);
  }
  struct Case {
    std::u16string_view text;
    NSInteger expected;
  } cases[] = {
      {u"  12x", 12},
      {u"  -42 apples", -42},
      {u"+7", 7},
      {u"3.9", 3},
      {u"\u00A0\u0085 3", 3},
      {u"\u2028\u3000\u2003-9", -9},
      {u"9223372036854775806", kMax - 1},  // one step inside each saturation limit
      {u"-9223372036854775807", kMin + 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(integerValue(make(c.text)), c.expected) << utf8(c.text);
  }
  EXPECT_EQ(integerValue(String()), 0);
  EXPECT_EQ(integerValue(make(std::u16string(150, u' ') + u"-64")), -64);
}

TEST_P(StringServices, DoubleValueIsLocaleIndependent) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::pair<std::u16string_view, double> cases[] = {
      {u"-.e5", 0},       {u" \t-2.25kg", -2.25}, {u"+.5", 0.5},    {u"7.", 7},
      {u"1,5", 1},        {u"1.5E+3", 1500},      {u"2e-2", 0.02},  {u"2e+", 2},
      {u"-1e400", -kInf}, {u"1e-400", 0},         {u"\u0661.5", 0},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(doubleValue(make(text)), expected);
  EXPECT_EQ(doubleValue(String()), 0);
  EXPECT_EQ(
      doubleValue(make(std::u16string(100, u' ') + u"0." + std::u16string(80, u'0') + u"1e81")),
      1);  // past the inline buffer's window
  // Not 15 or 1 under a German C library locale.
  EXPECT_EQ(test::inChild([] {
              const bool german = test::useGermanLocale(LC_ALL);
              return german && doubleValue(u"1.5") == 1.5 ? "ok" : german ? "wrong" : "skip";
            }),
            "ok");
}

INSTANTIATE_FORMS(StringServices);

}  // namespace
}  // namespace orvin
