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
  struct Case {
    std::u16string text;
    bool expected;
  };
  const Case cases[] = {
      {u"yes", true},  {u"YES", true},    {u"On", true},     {u"tRuE", true},     {u"1", true},
      {u"-5", true},   {u"12abc", true},  {u" 7", true},     {u"3 apples", true}, {u"no", false},
      {u"0", false},   {u"", false},      {u"y", false},     {u"yes ", false},    {u" yes", false},
      {u"0x1", false}, {u"off", false},   {u"false", false}, {u"ye", false},      {u"one", false},
      {u"tru", false}, {u"truer", false}, {u"-0", false},    {u"o\u00F1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    EXPECT_EQ(boolValue(make(c.text)), c.expected);
  }
  EXPECT_FALSE(boolValue(String()));
}

TEST_P(Numbers, CountsRunsOfAsciiDigits) {
  struct Case {
    std::u16string text;
    NSUInteger count;
  };
  const Case cases[] = {
      {u"a1b22c333", 3},
      {u"1.5", 2},
      {u"abc", 0},
      {u"", 0},
      {u"7", 1},
      {u"-3", 1},
      {u"x9", 1},
      {u"12 34 56", 3},
      {u"\u0663\u0664", 0},  // Arabic-Indic digits are not
                             // digits here
      {u"\u00B2", 0},        // nor is a superscript two
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    EXPECT_EQ(countNumbers(make(c.text)), c.count);
  }
  EXPECT_EQ(countNumbers(String()), 0u);
  // A long text crosses the stack buffer; a run ends exactly at the end.
  std::u16string longText;
  for (int i = 0; i < 100; ++i) longText += u"ab12";
  EXPECT_EQ(countNumbers(make(longText)), 100u);
}

TEST_P(Numbers, ContainsNumberStandingAlone) {
  struct Case {
    std::u16string text;
    std::u16string number;
    bool expected;
  };
  const Case cases[] = {
      {u"page 12 of 123", u"12", true},
      {u"123", u"12", false},
      {u"x12", u"12", true},
      {u"12x", u"12", true},
      {u"12", u"12", true},
      {u"2323", u"23", false},
      {u"123 23", u"23", true},
      {u"1234", u"23", false},
      {u"9a", u"a", false},  // not all digits: still digit-bounded
      {u"-a-", u"a", true},
      {u"1", u"12", false},  // longer than the text
      {u"", u"1", false},
      {u"12", u"", false},
      {u"\u20AC12\u20AC", u"12", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text) + " / " + test::utf8(c.number));
    EXPECT_EQ(containsNumber(make(c.text), makeOther(c.number)), c.expected);
  }
  EXPECT_FALSE(containsNumber(make(u"12"), String()));
  EXPECT_FALSE(containsNumber(String(), make(u"12")));
  // A match found only after a rejected one far into a long text.
  const std::u16string longText = std::u16string(300, u'7') + u" 77";
  EXPECT_TRUE(containsNumber(make(longText), makeOther(u"77")));
  EXPECT_FALSE(containsNumber(make(longText.substr(0, 300)), makeOther(u"77")));
}

TEST_P(Numbers, ContainsRunOfNDigits) {
  struct Case {
    std::u16string text;
    NSUInteger digits;
    bool expected;
  };
  const NSUInteger kHuge[] = {NSNotFound, NSUInteger{1} << 63, ~NSUInteger{0}};
  std::vector<Case> cases = {
      {u"tel 12345", 5, true}, {u"tel 12345", 6, false}, {u"tel 12345", 0, false},
      {u"12a34", 3, false},    {u"12a34", 2, true},      {u"12345", 5, true},
      {u"1234", 5, false},     {u"", 1, false},          {u"a1", 1, true},
  };
  for (NSUInteger huge : kHuge) cases.push_back({u"12345", huge, false});
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
      {u"abc", 8, {0x61, 0x62, 0x63}},
      {u"abc", 2, {0x61, 0x62}},
      {u"abc", 0, {}},
      {u"", 4, {}},
      {u"\u00E9\u20AC", 4, {0xE9, 0xAC}},
      {u"\U0001F600", 4, {0x3D, 0x00}},  // each surrogate loses its high byte
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
  testhooks::failNextWorkAllocations(1);
  EXPECT_FALSE(containsNumberWithNDigits(compact, 2));
  testhooks::resetWorkAllocationFailures();
  EXPECT_EQ(countNumbers(compact), 1u);
  EXPECT_EQ(getChars(compact, out), 303u);
  EXPECT_TRUE(containsNumber(compact, u"42"));
  // boolValue reads through the inline buffer and needs no heap.
  testhooks::failNextWorkAllocations(1);
  EXPECT_TRUE(boolValue(String::withLatin1(std::string(300, ' ') + "5")));
  testhooks::resetWorkAllocationFailures();
}

}  // namespace
}  // namespace orvin
