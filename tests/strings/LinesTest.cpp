#include "strings/Lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"
#include "strings/FeedCharacters.h"

namespace orvin {
namespace {

using test::FormTest;

TEST(FeedCharacters, ExactlyTheEightFeeds) {
  const std::u16string feeds = u"\x0003\x000A\x000C\x000D\x2028\x2029\xFEFF\xFFFC";
  for (unsigned c = 0; c <= 0xFFFF; ++c) {
    const bool expected = feeds.find(static_cast<char16_t>(c)) != std::u16string::npos;
    ASSERT_EQ(isFeedCharacter(static_cast<unichar>(c)), expected) << std::hex << c;
  }
}

class Lines : public FormTest {};

struct LineCase {
  std::u16string text;
  std::vector<std::u16string> lines;
  std::u16string first;
  std::u16string feed;
};

const LineCase kLineCases[] = {
    {u"", {}, u"", u""},
    {u"abc\n", {u"abc\n"}, u"abc", u"\n"},
    {u"a\r\nb", {u"a\r\n", u"b"}, u"a", u""},
    {u"a\n\rb", {u"a\n", u"\r", u"b"}, u"a", u""},
    {u"\n\n", {u"\n", u"\n"}, u"", u"\n\n"},
    {u"a\r\r\n", {u"a\r", u"\r\n"}, u"a", u"\r\r\n"},
    {u"x\xFFFCy\x0003z", {u"x\xFFFC", u"y\x0003", u"z"}, u"x", u""},
    {u"p\x2028q\x2029", {u"p\x2028", u"q\x2029"}, u"p", u"\x2029"},
    {u"a\v\u0085b\f", {u"a\v\u0085b\f"}, u"a\v\u0085b", u"\f"},
    {u"\xE9t\xE9\r\n\r\n", {u"\xE9t\xE9\r\n", u"\r\n"}, u"\xE9t\xE9", u"\r\n\r\n"},
};

TEST_P(Lines, SplitsAndInspectsLineEnds) {
  for (const LineCase& c : kLineCases) {
    SCOPED_TRACE(test::utf8(c.text));
    const String s = make(c.text);
    EXPECT_EQ(numberOfLines(s), c.lines.size());
    EXPECT_EQ(test::textsOf(lines(s)), c.lines);
    EXPECT_EQ(firstLine(s).toU16String(), c.first);
    EXPECT_EQ(feedOfLine(s).toU16String(), c.feed);
    EXPECT_EQ(hasFeedOfLine(s), !c.feed.empty());
  }
}

// Results without change are the string itself; nil reads as empty.
TEST_P(Lines, UnchangedResultsAndNil) {
  const String plain = make(u"no feeds here");
  EXPECT_TRUE(firstLine(plain).isIdenticalTo(plain));
  const String allFeeds = make(u"\r\n\n");
  EXPECT_TRUE(feedOfLine(allFeeds).isIdenticalTo(allFeeds));
  EXPECT_TRUE(lines(String()).empty());
  EXPECT_TRUE(firstLine(String()).isNil() && feedOfLine(String()).isNil());
  EXPECT_FALSE(hasFeedOfLine(String()));
  EXPECT_EQ(numberOfLines(String()), 0u);
}

// Long texts cross the inline window (splitting long texts is checked
// against a reference loop in FastPathsTest).
TEST_P(Lines, LongTextsCrossBufferLimits) {
  const String feedsAtEnd = make(std::u16string(200, u'a') + std::u16string(150, u'\n'));
  EXPECT_EQ(feedOfLine(feedsAtEnd).length(), 150u);
  EXPECT_EQ(firstLine(feedsAtEnd).length(), 200u);
}

INSTANTIATE_FORMS(Lines);

TEST(LinesMemory, CompactTextIsReadInPlaceAndItsLinesStayCompact) {
  const String compact = String::withLatin1(std::string(300, 'a') + "\nb\xE9");
  ASSERT_TRUE(compact.isCompact());
  testhooks::failNextWorkAllocations(1);
  const std::vector<String> found = lines(compact);
  EXPECT_EQ(numberOfLines(compact), 2u);
  testhooks::resetWorkAllocationFailures();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_TRUE(found[0].isCompact() && found[1].isCompact());
  EXPECT_EQ(found[1].toU16String(), u"b\u00E9");
}

}  // namespace
}  // namespace orvin
