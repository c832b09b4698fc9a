#include "paths/SubstringSearch.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "chars/Bytes.h"
#include "paths/StringLists.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

constexpr NSRange kNone{NSNotFound, 0};
constexpr auto kSensitive = CaseMode::sensitive;
constexpr auto kInsensitive = CaseMode::insensitive;
constexpr auto kForward = SearchDirection::forward;
constexpr auto kBackward = SearchDirection::backward;

class FindString : public test::FormTest {};

TEST_P(FindString, AroundTheSelection) {
  struct Case {
    const char16_t* text;
    const char16_t* needle;
    NSRange range;
    SearchDirection direction;
    bool wrap;
    NSRange expected;
  };
  const Case cases[] = {
      {u"ab xx ab", u"ab", {0, 2}, kForward, false, {6, 2}},
      {u"ab xx ab", u"ab", {6, 2}, kForward, false, kNone},
      {u"ab xx ab", u"ab", {6, 2}, kForward, true, {0, 2}},
      {u"ab xx ab", u"ab", {6, 2}, kBackward, false, {0, 2}},
      {u"ab xx ab", u"ab", {0, 2}, kBackward, false, kNone},
      {u"ab xx ab", u"ab", {0, 2}, kBackward, true, {6, 2}},
      {u"ab xx ab", u"ab", {8, 0}, kForward, true, {0, 2}},
      {u"ab xx ab", u"ab", {0, 0}, kBackward, true, {6, 2}},
      // The selection itself is never the answer.
      {u"ab", u"ab", {0, 2}, kForward, true, kNone},
      {u"ab", u"ab", {0, 2}, kBackward, true, kNone},
      // An occurrence straddling the cursor is found on the wrap pass.
      {u"xabcx", u"abc", {2, 0}, kForward, false, kNone},
      {u"xabcx", u"abc", {2, 0}, kForward, true, {1, 3}},
      {u"xabcx", u"abc", {2, 0}, kBackward, true, {1, 3}},
      // One step inside and at the text's ends.
      {u"abab", u"ab", {1, 0}, kForward, false, {2, 2}},
      {u"abab", u"ab", {2, 0}, kForward, false, {2, 2}},
      {u"abab", u"ab", {3, 0}, kForward, false, kNone},
      {u"abab", u"ab", {2, 0}, kBackward, false, {0, 2}},
      {u"abab", u"ab", {1, 0}, kBackward, false, kNone},
      // Ranges not inside the text, and empty needles.
      {u"abab", u"ab", {3, 2}, kForward, true, kNone},
      {u"abab", u"ab", {5, 0}, kBackward, true, kNone},
      {u"abab", u"ab", {NSNotFound, 0}, kForward, true, kNone},
      {u"abab", u"", {0, 0}, kForward, true, kNone},
      {u"", u"ab", {0, 0}, kForward, true, kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text) + " at " + std::to_string(c.range.location) +
                 (c.direction == kForward ? " fwd" : " back") + (c.wrap ? " wrap" : ""));
    const NSRange got =
        findString(make(c.text), make(c.needle), c.range, kSensitive, c.direction, c.wrap);
    EXPECT_EQ(got.location, c.expected.location);
    EXPECT_EQ(got.length, c.expected.length);
  }
  EXPECT_TRUE(findString(make(u"xABx"), makeOther(u"ab"), {0, 0}, kInsensitive, kForward, false) ==
              (NSRange{1, 2}));
  EXPECT_TRUE(findString(make(u"ab"), String(), {0, 0}, kSensitive, kForward, true) == kNone);
}

class SubstringCounts : public test::FormTest {};

TEST_P(SubstringCounts, ContainsAndCount) {
  struct Case {
    const char16_t* text;
    const char16_t* needle;  // nullptr: nil
    CaseMode mode;
    bool contains;
    NSUInteger count;
  };
  const Case cases[] = {
      {u"abc", u"abc", kSensitive, true, 1},
      {u"abc", u"abcd", kSensitive, false, 0},
      {u"abc", u"", kSensitive, false, 0},
      {u"abc", nullptr, kSensitive, false, 0},
      {u"", u"a", kSensitive, false, 0},
      {u"xabcx", u"ABC", kInsensitive, true, 1},
      {u"xabcx", u"ABC", kSensitive, false, 0},
      {u"ABC", u"abc", kInsensitive, true, 1},
      {u"aaaa", u"aa", kSensitive, true, 2},
      {u"aaaaa", u"aa", kSensitive, true, 2},
      {u"a\u00E9A\u00C9", u"A\u00C9", kInsensitive, true, 2},
      {u"ab", u"b", kSensitive, true, 1},
      {u"ab", u"a", kSensitive, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text) + " / " + (c.needle ? test::utf8(c.needle) : "nil"));
    const String needle = c.needle ? makeOther(c.needle) : String();
    EXPECT_EQ(containsSubstring(make(c.text), needle, c.mode), c.contains);
    EXPECT_EQ(countSubstring(make(c.text), needle, c.mode), c.count);
  }
  EXPECT_FALSE(containsSubstring(String(), make(u"a")));
  EXPECT_EQ(countSubstring(String(), make(u"a")), 0u);
}

TEST_P(SubstringCounts, AnyOfAList) {
  const std::vector<String> needles{String(), make(u"dog"), make(u"CAT"), make(u"")};
  EXPECT_TRUE(containsSubstrings(make(u"a cat"), needles, kInsensitive));
  EXPECT_FALSE(containsSubstrings(make(u"a cat"), needles, kSensitive));
  EXPECT_TRUE(containsSubstrings(make(u"dog"), needles));  // equal length
  EXPECT_FALSE(containsSubstrings(make(u"do"), needles));
  EXPECT_FALSE(containsSubstrings(make(u""), needles));
  EXPECT_FALSE(containsSubstrings(make(u"dog"), {}));
}

TEST_P(SubstringCounts, AsciiNeedles) {
  struct Case {
    const char16_t* text;
    std::vector<const char*> needles;
    CaseMode mode;
    bool expected;
  };
  const Case cases[] = {
      {u"Cat", {"cat"}, kInsensitive, true},
      {u"Cat", {"Cat"}, kInsensitive, true},  // needles are lowered too
      {u"cAT", {"Cat"}, kInsensitive, true},
      {u"Cat", {"cat"}, kSensitive, false},
      {u"Cat", {"Cat"}, kSensitive, true},
      {u"xxCa", {"Cat"}, kSensitive, false},  // one step past the end
      {u"Cat", {"Cats"}, kSensitive, false},
      {u"a", {"a"}, kSensitive, true},
      {u"caf\u00E9", {"caf\xC3\xA9"}, kSensitive, false},  // bytes above 127 never match
      {u"\u00C3", {"\xC3"}, kSensitive, false},
      {u"abc", {nullptr, "", "zz", "bc"}, kSensitive, true},
      {u"abc", {"", nullptr}, kSensitive, false},
      {u"", {"a"}, kSensitive, false},
      {u"abc", {}, kSensitive, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    EXPECT_EQ(containsSubCStrings(make(c.text), c.needles, c.mode), c.expected);
  }
}

INSTANTIATE_FORMS(FindString);
INSTANTIATE_FORMS(SubstringCounts);

class StringLists : public test::FormTest {};

TEST_P(StringLists, LooksUpWholeStrings) {
  const std::vector<String> list{String(), make(u"a"), make(u"readme"), make(u"README")};
  EXPECT_EQ(indexOfStringEqualToNoCase(list, makeOther(u"README")), 2u);
  EXPECT_EQ(indexOfStringEqualTo(list, makeOther(u"README")), 3u);
  EXPECT_EQ(indexOfStringEqualTo(list, makeOther(u"readm")), NSNotFound);
  EXPECT_EQ(indexOfStringEqualTo(list, makeOther(u"readmee")), NSNotFound);
  EXPECT_EQ(indexOfStringEqualTo(list, makeOther(u"")), NSNotFound);
  EXPECT_EQ(indexOfStringEqualTo(list, String()), NSNotFound);
  EXPECT_TRUE(containsString(list, make(u"a")));
  EXPECT_FALSE(containsString(list, make(u"A")));
  EXPECT_TRUE(containsStringNoCase(list, make(u"A")));
  EXPECT_FALSE(containsStringNoCase({}, make(u"A")));
}

INSTANTIATE_FORMS(StringLists);

TEST(StringLists, SevenBitBytes) {
  EXPECT_TRUE(isAsciiString(Bytes{0x41, 0x42}));
  EXPECT_TRUE(isAsciiString(Bytes{0x7F}));
  EXPECT_FALSE(isAsciiString(Bytes{0x41, 0xC3, 0xA9}));
  EXPECT_FALSE(isAsciiString(Bytes{0x80}));
  EXPECT_TRUE(isAsciiString(Bytes{}));
}

}  // namespace
}  // namespace orvin
