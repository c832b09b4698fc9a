#include "strings/Trimming.h"

#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"
#include "StringCases.h"
#include "chars/internal/TestHooks.h"
#include "strings/internal/UnitReading.h"

namespace orvin {
namespace {

using test::bound;
using test::FormTest;
using test::Kept;
using test::textOf;

const test::ResultCase kTrimCases[] = {
    {"left", bound<stringByTrimmingSpacesOfLeftSideAndFeeds, false>, u"\t a ", u"a "},
    {"left", bound<stringByTrimmingSpacesOfLeftSideAndFeeds, false>, u"\n a", u"\n a",
     Kept::Itself},
    {"left", bound<stringByTrimmingSpacesOfLeftSideAndFeeds, false>, u" \t\u00A0", u"",
     Kept::Constant},
    {"right", bound<stringByTrimmingSpacesOfRightSideAndFeeds, true>, u" a\n\u2028\uFEFF", u" a"},
    {"right", bound<stringByTrimmingSpacesOfRightSideAndFeeds, true>, u" a", u" a", Kept::Itself},
    {"both", bound<stringByTrimmingSpacesAndFeeds, false>, u"\t a b \n", u"a b \n"},
    {"both", bound<stringByTrimmingSpacesAndFeeds, true>, u"\t a b \n", u"a b"},
    {"both", bound<stringByTrimmingSpacesAndFeeds, false>, std::u16string(u"\0abc", 4), u"abc"},
    {"character", bound<stringByTrimmingCharacter, u'-'>, u"--a-b--", u"a-b"},
    {"character", bound<stringByTrimmingCharacter, u'-'>, u"---", u"", Kept::Constant},
    {"prefix", bound<stringByTrimmingPrefixCharacter, u'-'>, u"--a-b--", u"a-b--"},
    {"suffix", bound<stringByTrimmingSuffixCharacter, u'-'>, u"--a-b--", u"--a-b"},
    // A surrogate half is just another code unit.
    {"suffix", bound<stringByTrimmingSuffixCharacter, unichar{0xDE00}>, u"a\U0001F600", u"a\xD83D"},
    {"enclosing", bound<stringByTrimmingEnclosingCharacter, u'*'>, u"**bold**", u"bold"},
    {"enclosing", bound<stringByTrimmingEnclosingCharacter, u'*'>, u"*a**", u"a*"},
    {"enclosing", bound<stringByTrimmingEnclosingCharacter, u'*'>, u"*a", u"*a", Kept::Itself},
    {"quotes", stringByTrimmingQuotes, u"\"abc'", u"abc"},
    {"quotes", stringByTrimmingQuotes, u"\u201Cabc\u201D", u"\u201Cabc\u201D", Kept::Itself},
    {"ellipsis", stringByTrimmingEllipsis, u"Hm\u2026.", u"Hm"},
    {"ellipsis", stringByTrimmingEllipsis, u"Wait. . .", u"Wait. . "},
    {"digits", stringByTrimmingDigits, u"2024report17\u0663", u"report"},
    {"digits", stringByTrimmingDigits, u"12", u"", Kept::Constant},
    {"feeds", stringByTrimmingFeeds, u"abc\r\n\u2028", u"abc"},
    {"white", stringByTrimmingWhiteSpaces, u"\u3000 a\u2029", u"a"},
    {"white", stringByTrimmingWhiteSpaces, u"\uFEFFa", u"\uFEFFa"},
};

class Trimming : public FormTest {};

TEST_P(Trimming, TextAndIdentityOfEachResult) {
  test::expectResults(GetParam(), kTrimCases, detail::constantEmptyString());
}

struct RangeCase {
  std::u16string text;
  NSRange range;
  bool feeds;
  NSRange kept;
};

constexpr NSUInteger kMax = ~NSUInteger{0};

const RangeCase kRangeCases[] = {
    {u"  ab  ", {0, 6}, true, {2, 2}},
    {u"  ab  ", {0, 2}, true, {2, 0}},
    {u"ab", {5, 3}, false, {2, 0}},
    {u"ab  ", {1, 10}, false, {1, 1}},
    {u" ab ", {0, NSNotFound}, false, {1, 2}},
    {u" ab ", {kMax, kMax}, false, {4, 0}},
    {u" ab ", {1, kMax}, false, {1, 2}},
    {u"a\n", {0, 2}, false, {0, 2}},
    {u"a\n", {0, 2}, true, {0, 1}},
};

TEST_P(Trimming, RangesAreCutAtTheEnd) {
  for (const RangeCase& c : kRangeCases) {
    SCOPED_TRACE(test::utf8(c.text) + " at " + std::to_string(c.range.location) + "+" +
                 std::to_string(c.range.length));
    const String s = make(c.text);
    EXPECT_EQ(trimSpacesInRange(s, c.range, c.feeds), c.kept);
    if (c.feeds) {
      EXPECT_EQ(trimWhiteSpacesInRange(s, c.range), c.kept);
    }
    const String sub = stringByTrimmingSpacesInRange(s, c.range, c.feeds);
    EXPECT_EQ(textOf(sub), c.text.substr(c.kept.location, c.kept.length));
    EXPECT_FALSE(sub.isIdenticalTo(s));
    EXPECT_EQ(sub.isIdenticalTo(detail::constantEmptyString()), c.kept.length == 0);
  }
  EXPECT_EQ(trimSpacesInRange(String(), {3, 4}, true), (NSRange{0, 0}));
  EXPECT_TRUE(stringByTrimmingSpacesInRange(String(), {0, 1}, true).isNil());
}

const test::EditCase kEditCases[] = {
    {"trimCharacter", test::boundEdit<trimCharacter, u'x'>, u"xxx", u""},
    {"trimPrefix", test::boundEdit<trimPrefixCharacter, u'x'>, u"xxaxx", u"axx"},
    {"trimSuffix", test::boundEdit<trimSuffixCharacter, u'x'>, u"xxaxx", u"xxa"},
    {"trimFeeds", trimFeeds, u"abc \r\n\u2028", u"abc "},
    {"trimFeeds", trimFeeds, u"\n\n", u""},
    {"trimWhiteSpaces", trimWhiteSpaces, u"\t\u2028 a b\u00A0\r\n", u"a b"},
    {"trimWhiteSpaces", trimWhiteSpaces, std::u16string(u"\0 a\u00A0", 4),
     std::u16string(u"\0 a", 3)},
};

// In-place trims edit the text and leave a copy taken before alone.
TEST_P(Trimming, InPlaceEdits) {
  test::expectEdits(GetParam(), kEditCases);
}

// Long runs cross the inline reader's 64-unit window and the 256-unit stack
// buffer; each run length is tried one step inside and at those limits.
TEST_P(Trimming, LongRunsAcrossBufferLimits) {
  for (std::size_t run : {63u, 64u, 65u, 255u, 256u, 257u, 700u}) {
    SCOPED_TRACE(run);
    const std::u16string body = u"a" + std::u16string(run, u'b') + u"c";
    const std::u16string text = std::u16string(run, u' ') + body + std::u16string(run, u'\t');
    const String s = make(text);
    EXPECT_EQ(textOf(stringByTrimmingSpacesAndFeeds(s, false)), body);
    EXPECT_EQ(trimSpacesInRange(s, {0, NSNotFound}, false), (NSRange{run, body.size()}));
    EXPECT_EQ(trimSpacesInRange(s, {run + 1, run}, false), (NSRange{run + 1, run}));
    const std::u16string stars = std::u16string(run, u'*') + u"x" + std::u16string(run + 1, u'*');
    EXPECT_EQ(textOf(stringByTrimmingEnclosingCharacter(make(stars), u'*')), u"x*");
    MutableString m(make(std::u16string(run, u'-') + u"x" + std::u16string(run, u'\n')));
    trimFeeds(m);
    trimPrefixCharacter(m, u'-');
    EXPECT_EQ(textOf(m), u"x");
  }
}

// Without its work buffer, the enclosing trim gives the string itself: only
// a compact text above 256 code units needs one.
TEST_P(Trimming, EnclosingWithoutWorkBuffer) {
  for (std::size_t length : {256u, 257u}) {
    const String s = make(u"*" + std::u16string(length - 2, u'a') + u"*");
    testhooks::failNextWorkAllocations(1);
    const String out = stringByTrimmingEnclosingCharacter(s, u'*');
    testhooks::resetWorkAllocationFailures();
    const bool copied = s.isCompact() && length > 256;
    EXPECT_EQ(out.isIdenticalTo(s), copied) << length;
    EXPECT_EQ(out.length(), copied ? length : length - 2);
  }
}

INSTANTIATE_FORMS(Trimming);

}  // namespace
}  // namespace orvin
