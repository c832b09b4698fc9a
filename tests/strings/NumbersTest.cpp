#include "strings/Numbers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::FormTest;

class Numbers : public FormTest {};

TEST_P(Numbers, BoolValue) {
  const std::u16string yes[] = {u"yes", u"On", u"tRuE", u"-5", u"12abc", u" 7"};
  const std::u16string no[] = {u"no", u"0",   u"",    u"yes ",  u" yes", u"0x1",
                               u"ye", u"one", u"tru", u"truer", u"-0"};
  for (const auto& text : yes) EXPECT_TRUE(boolValue(make(text))) << test::utf8(text);
  for (const auto& text : no) EXPECT_FALSE(boolValue(make(text))) << test::utf8(text);
  EXPECT_FALSE(boolValue(String()));
}

TEST_P(Numbers, CountsRunsOfAsciiDigits) {
  struct Case {
    std::u16string text;
    NSUInteger count;
  };
  std::u16string longText;
  for (int i = 0; i < 100; ++i) longText += u"ab12";
  const Case cases[] = {
      {u"a1b22c333", 3},
      {u"1.5", 2},
      {u"", 0},
      {u"7", 1},
      {u"\u0663\u0664\u00B2", 0},  // other digits are not digits here
      {longText, 100},
  };
  for (const Case& c : cases) EXPECT_EQ(countNumbers(make(c.text)), c.count) << test::utf8(c.text);
  EXPECT_EQ(countNumbers(String()), 0u);
}

TEST_P(Numbers, ContainsNumberStandingAlone) {
  struct Case {
    std::u16string text, number;
    bool expected;
  };
  const std::u16string sevens = std::u16string(300, u'7');
  const Case cases[] = {
      {u"page 12 of 123", u"12", true},
      {u"123", u"12", false},
      {u"12x", u"12", true},
      {u"2323", u"23", false},
      {u"123 23", u"23", true},
      {u"9a", u"a", false},  // not all digits: still digit-bounded
      {u"1", u"12", false},
      {u"12", u"", false},
      {sevens + u" 77", u"77", true},
      {sevens, u"77", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text) + " / " + test::utf8(c.number));
    EXPECT_EQ(containsNumber(make(c.text), makeOther(c.number)), c.expected);
  }
  EXPECT_FALSE(containsNumber(make(u"12"), String()));
  EXPECT_FALSE(containsNumber(String(), make(u"12")));
}

TEST_P(Numbers, ContainsRunOfNDigits) {
  struct Case {
    std::u16string text;
    NSUInteger digits;
    bool expected;
  };
  const Case cases[] = {
      {u"tel 12345", 5, true}, {u"tel 12345", 6, false},      {u"12a34", 3, false},
      {u"12a34", 2, true},     {u"12345", NSNotFound, false}, {u"12345", ~NSUInteger{0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text) + " / " + std::to_string(c.digits));
    EXPECT_EQ(containsNumberWithNDigits(make(c.text), c.digits), c.expected);
  }
}

TEST_P(Numbers, GetCharsWritesLowBytesWithinTheBuffer) {
  struct Case {
    std::u16string text;
    std::size_t room;
    std::vector<std::uint8_t> written;
  };
  const Case cases[] = {
      {u"abc", 8, {0x61, 0x62, 0x63}},    {u"abc", 2, {0x61, 0x62}},        {u"", 4, {}},
      {u"\u00E9\u20AC", 4, {0xE9, 0xAC}}, {u"\U0001F600", 4, {0x3D, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    std::array<std::uint8_t, 9> buffer;
    buffer.fill(0xEE);
    const NSUInteger n = getChars(make(c.text), std::span(buffer.data(), c.room));
    ASSERT_EQ(n, c.written.size());
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + n), c.written);
    EXPECT_EQ(buffer[n], 0xEE);  // nothing written behind, no terminator
  }
}

INSTANTIATE_FORMS(Numbers);

// Long compact strings are copied to the heap; without memory the scans
// answer their empty results.
TEST(NumbersMemory, NoHeapBufferGivesEmptyAnswers) {
  const String compact = String::withLatin1(std::string(300, 'a') + " 42");
  ASSERT_TRUE(compact.isCompact());
  std::vector<std::uint8_t> out(400);
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(countNumbers(compact), 0u);
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(getChars(compact, out), 0u);
  testhooks::failNextWorkAllocations(1);
  EXPECT_FALSE(containsNumber(compact, u"42"));
  testhooks::resetWorkAllocationFailures();
  EXPECT_EQ(getChars(compact, out), 303u);
  EXPECT_TRUE(containsNumber(compact, u"42"));
}

}  // namespace
}  // namespace orvin
