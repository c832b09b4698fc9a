#include "strings/Trimming.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "InPlaceEdits.h"
#include "StorageForms.h"
#include "chars/internal/TestHooks.h"
#include "strings/internal/UnitReading.h"

namespace orvin {
namespace {

using test::FormTest;
using test::textOf;

// What a string-returning trim must hand back besides the right text.
enum class Kept { Itself, Constant, New };

struct TrimCase {
  const char* op;
  std::function<String(const String&)> trim;
  std::u16string in;
  std::u16string out;
  Kept kept;
};

String leftSpaces(const String& s) {
  return stringByTrimmingSpacesOfLeftSideAndFeeds(s, false);
}
String rightWhite(const String& s) {
  return stringByTrimmingSpacesOfRightSideAndFeeds(s, true);
}
String bothSpaces(const String& s) {
  return stringByTrimmingSpacesAndFeeds(s, false);
}
String bothWhite(const String& s) {
  return stringByTrimmingSpacesAndFeeds(s, true);
}
auto character(String (*f)(const String&, unichar), unichar c) {
  return [f, c](const String& s) { return f(s, c); };
}
const auto kDashes = character(stringByTrimmingCharacter, u'-');
const auto kPrefixDashes = character(stringByTrimmingPrefixCharacter, u'-');
const auto kSuffixDashes = character(stringByTrimmingSuffixCharacter, u'-');
const auto kStars = character(stringByTrimmingEnclosingCharacter, u'*');
const auto kQuoteMarks = character(stringByTrimmingEnclosingCharacter, u'"');

const TrimCase kTrimCases[] = {
    {"left", leftSpaces, u"", u"", Kept::Itself},
    {"left", leftSpaces, u"\t a ", u"a ", Kept::New},
    {"left", leftSpaces, u"a ", u"a ", Kept::Itself},
    {"left", leftSpaces, u" \t\u00A0", u"", Kept::Constant},
    {"left", leftSpaces, u"\n a", u"\n a", Kept::Itself},
    {"right", rightWhite, u"", u"", Kept::Itself},
    {"right", rightWhite, u" a\n\u2028\uFEFF", u" a", Kept::New},
    {"right", rightWhite, u" a", u" a", Kept::Itself},
    {"both", bothSpaces, u"", u"", Kept::Constant},
    {"both", bothSpaces, u"\t a b \n", u"a b \n", Kept::New},
    {"both", bothWhite, u"\t a b \n", u"a b", Kept::New},
    {"both", bothSpaces, u"a b", u"a b", Kept::Itself},
    {"both", bothSpaces, std::u16string(u"\0abc", 4), u"abc", Kept::New},
    {"both", bothWhite, u"\r\n\u3000", u"", Kept::Constant},
    {"both", bothSpaces, u" x", u"x", Kept::New},
    {"character", kDashes, u"--a-b--", u"a-b", Kept::New},
    {"character", kDashes, u"---", u"", Kept::Constant},
    {"character", kDashes, u"", u"", Kept::Itself},
    {"character", kDashes, u"a-b", u"a-b", Kept::Itself},
    {"prefix", kPrefixDashes, u"--a-b--", u"a-b--", Kept::New},
    {"prefix", kPrefixDashes, u"-", u"", Kept::Constant},
    {"suffix", kSuffixDashes, u"--a-b--", u"--a-b", Kept::New},
    {"suffix", kSuffixDashes, u"a-b", u"a-b", Kept::Itself},
    {"enclosing", kStars, u"**bold**", u"bold", Kept::New},
    {"enclosing", kStars, u"***", u"*", Kept::New},
    {"enclosing", kStars, u"*a**", u"a*", Kept::New},
    {"enclosing", kStars, u"*a", u"*a", Kept::Itself},
    {"enclosing", kStars, u"*", u"*", Kept::Itself},
    {"enclosing", kQuoteMarks, u"\"\"", u"", Kept::New},
    {"enclosing", kQuoteMarks, u"\"a\"b", u"\"a\"b", Kept::Itself},
    {"quotes", stringByTrimmingQuotes, u"\"abc'", u"abc", Kept::New},
    {"quotes", stringByTrimmingQuotes, u"''abc", u"abc", Kept::New},
    {"quotes", stringByTrimmingQuotes, u"\u201Cabc\u201D", u"\u201Cabc\u201D", Kept::Itself},
    {"quotes", stringByTrimmingQuotes, u"'\"'", u"", Kept::Constant},
    {"ellipsis", stringByTrimmingEllipsis, u"...", u"", Kept::Constant},
    {"ellipsis", stringByTrimmingEllipsis, u"Hm\u2026.", u"Hm", Kept::New},
    {"ellipsis", stringByTrimmingEllipsis, u".a", u".a", Kept::Itself},
    {"ellipsis", stringByTrimmingEllipsis, u"Wait. . .", u"Wait. . ", Kept::New},
    {"digits", stringByTrimmingDigits, u"2024report17", u"report", Kept::New},
    {"digits", stringByTrimmingDigits, u"12", u"", Kept::Constant},
    {"digits", stringByTrimmingDigits, u"\u0663a\u0967", u"a", Kept::New},
    {"digits", stringByTrimmingDigits, u"", u"", Kept::Itself},
    {"feeds", stringByTrimmingFeeds, u"abc\r\n\u2028", u"abc", Kept::New},
    {"feeds", stringByTrimmingFeeds, u"\n\nabc", u"\n\nabc", Kept::New},
    {"feeds", stringByTrimmingFeeds, u"abc\n ", u"abc\n ", Kept::New},
    {"feeds", stringByTrimmingFeeds, u"\x0003\uFFFC\f", u"", Kept::New},
    {"feeds", stringByTrimmingFeeds, u"", u"", Kept::New},
    {"white", stringByTrimmingWhiteSpaces, u"\u3000 a\u2029", u"a", Kept::New},
    {"white", stringByTrimmingWhiteSpaces, u"abc", u"abc", Kept::New},
    {"white", stringByTrimmingWhiteSpaces, u"\uFEFFa\x0085", u"\uFEFFa", Kept::New},
    // A surrogate half is just another code unit.
    {"suffix", character(stringByTrimmingSuffixCharacter, 0xDE00), u"a\xD83D\xDE00", u"a\xD83D",
     Kept::New},
};

class Trimming : public FormTest {};

TEST_P(Trimming, TextAndIdentityOfEachResult) {
  for (const TrimCase& c : kTrimCases) {
    SCOPED_TRACE(std::string(c.op) + " of \"" + test::utf8(c.in) + "\"");
    const String s = make(c.in);
    const String out = c.trim(s);
    EXPECT_EQ(textOf(out), c.out);
    EXPECT_EQ(out.isIdenticalTo(s), c.kept == Kept::Itself);
    EXPECT_EQ(out.isIdenticalTo(detail::constantEmptyString()), c.kept == Kept::Constant);
    EXPECT_TRUE(c.trim(String()).isNil());
  }
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
    {u"  ab  ", {1, 0}, true, {1, 0}},
    {u"  ab  ", {0, 2}, true, {2, 0}},
    {u"  ab  ", {3, 3}, false, {3, 1}},
    {u"ab", {0, 10}, false, {0, 2}},
    {u"ab", {5, 3}, false, {2, 0}},
    {u"ab", {2, 0}, false, {2, 0}},
    {u"ab  ", {1, 10}, false, {1, 1}},
    {u" ab ", {0, NSNotFound}, false, {1, 2}},
    {u" ab ", {NSNotFound, NSNotFound}, false, {4, 0}},
    {u" ab ", {kMax, kMax}, false, {4, 0}},
    {u" ab ", {1, kMax}, false, {1, 2}},
    {u"a\n", {0, 2}, false, {0, 2}},
    {u"a\n", {0, 2}, true, {0, 1}},
    {u"", {0, NSNotFound}, true, {0, 0}},
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
    {"trimCharacter", [](MutableString& m) { trimCharacter(m, u'x'); }, u"xxx", u""},
    {"trimCharacter", [](MutableString& m) { trimCharacter(m, u'x'); }, u"xaxbx", u"axb"},
    {"trimPrefix", [](MutableString& m) { trimPrefixCharacter(m, u'x'); }, u"xxaxx", u"axx"},
    {"trimSuffix", [](MutableString& m) { trimSuffixCharacter(m, u'x'); }, u"xxaxx", u"xxa"},
    {"trimSuffix", [](MutableString& m) { trimSuffixCharacter(m, u'x'); }, u"", u""},
    {"trimFeeds", trimFeeds, u"\n\nabc", u"\n\nabc"},
    {"trimFeeds", trimFeeds, u"abc\r\n\u2028", u"abc"},
    {"trimFeeds", trimFeeds, u"abc \n", u"abc "},
    {"trimFeeds", trimFeeds, u"abc\n ", u"abc\n "},
    {"trimFeeds", trimFeeds, u"\n\n", u""},
    {"trimWhiteSpaces", trimWhiteSpaces, u"\t\u2028 a b\u00A0\r\n", u"a b"},
    {"trimWhiteSpaces", trimWhiteSpaces, std::u16string(u"\0a", 2), std::u16string(u"\0a", 2)},
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
