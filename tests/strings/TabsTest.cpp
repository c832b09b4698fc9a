#include "strings/Tabs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using namespace std::string_literals;
using test::FormTest;

constexpr NSUInteger kHugeWidths[] = {NSNotFound, NSUInteger{1} << 63, ~NSUInteger{0}};

// `unit` 100 times: a text past the stack buffer.
std::u16string repeated(std::u16string_view unit) {
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += unit;
  return text;
}

struct TabCase {
  std::u16string text;
  NSUInteger width;
  std::u16string expected;
};

class Tabs : public FormTest {
 protected:
  std::u16string decoded(std::u16string_view text, NSUInteger width) const {
    MutableString s(make(text));
    decodeTabs(s, width);
    return s.toU16String();
  }
  // Runs `edit` on each case's text in this storage form.
  void expectEdits(const std::vector<TabCase>& cases, void (*edit)(MutableString&, NSUInteger)) {
    for (const TabCase& c : cases) {
      SCOPED_TRACE(test::utf8(c.text) + " / " + std::to_string(c.width));
      MutableString s(make(c.text));
      edit(s, c.width);
      EXPECT_EQ(s.toU16String(), c.expected);
    }
  }
};

TEST_P(Tabs, DecodeExpandsToTheNextStop) {
  std::vector<TabCase> cases = {
      {u"a\tb", 4, u"a   b"},
      {u"ab\t\tc", 4, u"ab      c"},
      {u"abc\n\tx", 4, u"abc\n    x"},  // the column starts again after a feed
      {u"ab\u2028c\tx", 4, u"ab\u2028c   x"},
      {u"ab\u000Bc\tx", 4, u"ab\u000Bc    x"},  // a vertical tab is no feed
      {repeated(u"ab\tcd\n"), 4, repeated(u"ab  cd\n")},
      {u"\U0001F600\tx", 4, u"\U0001F600  x"},  // columns count code units
      {u"a\tb", 0, u"a\tb"},
  };
  for (NSUInteger width : kHugeWidths) cases.push_back({u"a\tb", width, u"a\tb"});
  expectEdits(cases, decodeTabs);
}

TEST_P(Tabs, EncodeJoinsRunsEndingAtAStop) {
  std::vector<TabCase> cases = {
      {u"a   b", 4, u"a\tb"},
      {u"a  b", 4, u"a  b"},
      {u"        x", 4, u"\t\tx"},
      {u"ab\n  cd", 4, u"ab\n  cd"},  // the feed restarts the column: "  " stops short
      {u"ab\n   c", 2, u"ab\n\t c"},
      {u"ab\u00A0\u00A0x", 4, u"ab\u00A0\u00A0x"},  // no-break spaces stay
      {u"a b", 1, u"a\tb"},
      {u"a   b", 0, u"a   b"},
      {repeated(u"ab  cd\n"), 4, repeated(u"ab\tcd\n")},
  };
  for (NSUInteger width : kHugeWidths) cases.push_back({u"a   b", width, u"a   b"});
  expectEdits(cases, encodeTabs);
}

// Encoding never changes what the text looks like: every short text over
// the characters that matter decodes the same before and after.
TEST_P(Tabs, EncodingKeepsTheDecodedText) {
  const char16_t alphabet[] = {u'a', u' ', u'\t', u'\n'};
  for (NSUInteger width = 1; width <= 4; ++width) {
    for (unsigned code = 0; code < 4096; ++code) {
      std::u16string text;
      for (unsigned k = code; k != 0; k /= 4) text.push_back(alphabet[k % 4]);
      MutableString once(make(text));
      encodeTabs(once, width);
      decodeTabs(once, width);
      ASSERT_EQ(once.toU16String(), decoded(text, width)) << test::utf8(text) << " / " << width;
    }
  }
}

INSTANTIATE_FORMS(Tabs);

TEST(TabsMemory, NoMemoryLeavesTheTextUnchanged) {
  const std::string text = std::string(300, 'x') + "\t  y   z";
  for (const String& original :
       {String::withLatin1(text), String(std::u16string(text.begin(), text.end()))}) {
    MutableString s(original);
    testhooks::failNextWorkAllocations(1);
    decodeTabs(s, 4);
    EXPECT_EQ(s, original);
    if (original.isCompact()) {  // the copy of a compact text needs the heap
      testhooks::failNextWorkAllocations(1);
      encodeTabs(s, 4);
      EXPECT_EQ(s, original);
    }
    testhooks::resetWorkAllocationFailures();
    decodeTabs(s, 4);
    EXPECT_EQ(s.length(), original.length() + 3);
  }
}

}  // namespace
}  // namespace orvin
