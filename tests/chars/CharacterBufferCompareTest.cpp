#include "chars/CharacterBufferCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::utf8;

// The text as bytes, when it is ASCII: the byte forms then take part.
std::optional<std::string> ascii(const std::u16string& s) {
  if (std::any_of(s.begin(), s.end(), [](char16_t c) { return c >= 0x80; })) return std::nullopt;
  return std::string(s.begin(), s.end());
}
// Index of a search result, -1 for nullptr.
std::ptrdiff_t at(const std::u16string& h, const unichar* found) {
  return found == nullptr ? -1 : found - h.data();
}

// The searches over one table; the byte-needle forms run for ASCII needles
// and must agree with the code-unit forms.
TEST(CharacterBufferCompare, Searches) {
  const struct {
    std::u16string haystack, needle;
    std::ptrdiff_t exact, noCase;
  } cases[] = {{u"abc", u"", -1, -1},
               {u"", u"a", -1, -1},
               {u"xabab", u"ab", 1, 1},
               {u"ab", u"abc", -1, -1},
               {u"abc", u"c", 2, 2},
               {u"aaab", u"aab", 1, 1},
               {u"hello world", u"WORLD", -1, 6},
               {u"Grüße", u"ÜSS", -1, -1},  // no expansion of ß
               {u"GRÜSSE", u"üss", -1, 2},
               {u"[", u"{", -1, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.haystack) + " / " + utf8(c.needle));
    const unichar* h = c.haystack.data();
    const NSUInteger n = c.haystack.size();
    const unichar* u = c.needle.data();
    EXPECT_EQ(at(c.haystack, fastContainsUnichars(h, n, u, c.needle.size())), c.exact);
    EXPECT_EQ(at(c.haystack, fastCaseInsensitiveContainsUnichars(h, n, u, c.needle.size())),
              c.noCase);
    const auto needle = ascii(c.needle);
    if (!needle) continue;
    const std::string& b = *needle;
    EXPECT_EQ(at(c.haystack, positionOfCharacters(b.data(), b.size(), h, n, true)), c.exact);
    EXPECT_EQ(at(c.haystack, positionOfCharacters(b.data(), b.size(), h, n, false)), c.noCase);
  }
  // Nothing past the given length is read.
  EXPECT_EQ(fastContainsUnichars(u"abcd", 3, u"cd", 2), nullptr);
  EXPECT_EQ(fastCaseInsensitiveUnicharsContainChars(u"abcd", 3, "CD", 2), nullptr);
}

// A byte is signed: exact searches never match a high byte; otherwise it
// stands for 0xFF80..0xFFFF, and against another byte it sorts below 0x00.
TEST(CharacterBufferCompare, HighBytes) {
  const std::u16string h = u"a\u00E9\uFF80\uFFFF";
  EXPECT_EQ(fastUnicharsContainChars(h.data(), 4, "\xE9", 1), nullptr);
  EXPECT_EQ(at(h, fastCaseInsensitiveUnicharsContainChars(h.data(), 4, "\x80\xFF", 2)), 2);
  EXPECT_EQ(fastCompareUnicharsWithChars(u"a", 1, "\x80", 1), 0x61 - 0xFF80);
  EXPECT_EQ(fastCaseInsensitiveCompareUnicharsWithChars(u"\u00E4", 1, "\xE4", 1), 0xC4 - 0xFFE4);
  EXPECT_EQ(fastCompareChars("\xFF", 1, "\x80", 1), 127);
  EXPECT_EQ(fastCaseInsensitiveCompareChars("\x80", 1, "a", 1), -128 - 'A');
}

// All the three-way comparisons over one table; the byte forms run for ASCII.
TEST(CharacterBufferCompare, ThreeWayComparisons) {
  const struct {
    std::u16string a, b;
    NSInteger exact, noCase;
  } cases[] = {{u"abc", u"abd", -1, -1},
               {u"ab", u"abcd", -2, -2},
               {u"", u"", 0, 0},
               {u"a", u"B", 31, -1},
               {u"abc", u"ABC", 32, 0},
               {u"[", u"a", -6, 26},  // upper case, not lower case, is compared
               {u"ä", u"Ä", 32, 0},
               {u"ß", u"SS", 0xDF - 0x53, 0xDF - 0x53},
               {u"\uFFFF", u"a", 0xFFFF - 0x61, 0xFFFF - 0x41}};
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.a) + " / " + utf8(c.b));
    const unichar* a = c.a.data();
    const NSUInteger n = c.a.size();
    const NSUInteger m = c.b.size();
    EXPECT_EQ(fastCompareUnichars(a, n, c.b.data(), m), c.exact);
    EXPECT_EQ(compareCharacters(a, n, c.b.data(), m), c.exact);
    EXPECT_EQ(fastCompareUnicharsUsingConversionTable(a, n, c.b.data(), m, nullptr), c.exact);
    EXPECT_EQ(fastCaseInsensitiveCompareUnichars(a, n, c.b.data(), m), c.noCase);
    EXPECT_EQ(caseInsensitiveCompareCharacters(a, n, c.b.data(), m), c.noCase);
    EXPECT_EQ(fastCompareUnicharsUsingConversionTable(a, n, c.b.data(), m, initUpperCharsTable()),
              c.noCase);
    const auto bytesA = ascii(c.a), bytesB = ascii(c.b);
    if (!bytesB) continue;
    const std::string& b = *bytesB;
    EXPECT_EQ(compareCharacters(a, n, b.data(), m), c.exact);
    EXPECT_EQ(caseInsensitiveCompareCharacters(a, n, b.data(), m), c.noCase);
    if (!bytesA) continue;
    EXPECT_EQ(fastCompareChars(bytesA->data(), n, b.data(), m), c.exact);
    EXPECT_EQ(fastCaseInsensitiveCompareChars(bytesA->data(), n, b.data(), m), c.noCase);
  }
  // A caller's table applies to both sides.
  std::vector<unichar> table(kConversionTableEntries);
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<unichar>(i);
  table[u'x'] = table[u'y'] = u'q';
  EXPECT_EQ(fastCompareUnicharsUsingConversionTable(u"ax", 2, u"ay", 2, table.data()), 0);
  EXPECT_TRUE(equalStringsUsingConversionTable(u"xyx", u"yxy", table.data()));
}

class BufferCompareStrings : public test::FormTest {
 protected:
  // Builds the process-wide data first, so that an armed allocation failure
  // hits the work buffer.
  void SetUp() override {
    ASSERT_NE(initLowerUmlautsCharsTable(), nullptr);
    ASSERT_NE(alphaNumCharacterSetRep(), nullptr);
  }
  void TearDown() override { testhooks::resetWorkAllocationFailures(); }
};

TEST_P(BufferCompareStrings, EqualUsingConversionTable) {
  const unichar* table = initLowerUmlautsCharsTable();
  const std::u16string longA = std::u16string(200, u'a') + u"Äbc";
  const std::u16string longB = std::u16string(200, u'A') + u"abc";
  EXPECT_TRUE(equalStringsUsingConversionTable(String(), String(), nullptr));
  EXPECT_TRUE(equalStringsUsingConversionTable(String(), make(u""), table));
  EXPECT_FALSE(equalStringsUsingConversionTable(make(u"abc"), make(u"abcd"), table));
  EXPECT_FALSE(equalStringsUsingConversionTable(make(u"Äbc"), make(u"abc"), nullptr));
  EXPECT_TRUE(equalStringsUsingConversionTable(make(longA), make(longB), table));  // on the heap
  EXPECT_FALSE(equalStringsUsingConversionTable(make(longA + u"x"), make(longB + u"y"), table));
  const String a = make(std::u16string(129, u'a'));  // 258 units in all
  const String b = make(std::u16string(129, u'A'));
  testhooks::failNextWorkAllocations(1);
  EXPECT_FALSE(equalStringsUsingConversionTable(a, b, table));
  EXPECT_TRUE(equalStringsUsingConversionTable(a, b, table));
}

// Each case runs through the buffer functions and the string functions.
TEST_P(BufferCompareStrings, EqualOverRepMembers) {
  const struct {
    std::u16string a, b;
    bool equal, equalNoCase, prefix, prefixNoCase;
  } cases[] = {
      {u"Hello, World!", u"hello world", false, true, false, true},
      {u"--", u"", true, true, true, true},
      {u"", u"a", false, false, false, false},
      {u"foo-bar baz", u"foobar", false, false, true, true},
      {u"ab", u"a--", false, false, true, true},
      {u"a", u"a-b", false, false, false, false},
      {u"Straße", u"STRASSE", false, false, false, false},
      {u"ÄÖÜ", u"äöü", false, true, false, true},
  };
  const std::uint8_t* rep = alphaNumCharacterSetRep();
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.a) + " / " + utf8(c.b));
    const unichar* a = c.a.data();
    const unichar* b = c.b.data();
    const NSUInteger n = c.a.size();
    const NSUInteger m = c.b.size();
    EXPECT_EQ(equalCharsOfCharacterSetRep(a, n, b, m, rep), c.equal);
    EXPECT_EQ(equalCharsNoCaseOfCharacterSetRep(a, n, b, m, rep), c.equalNoCase);
    EXPECT_EQ(hasPrefixCharsOfCharacterSetRep(a, n, b, m, rep), c.prefix);
    EXPECT_EQ(hasPrefixCharsNoCaseOfCharacterSetRep(a, n, b, m, rep), c.prefixNoCase);
    const String sa = make(c.a);
    const String sb = make(c.b);
    EXPECT_EQ(equalStringsUsingCharacterSetRep(sa, sb, rep), c.equal);
    EXPECT_EQ(equalStringsNoCaseUsingCharacterSetRep(sa, sb, rep), c.equalNoCase);
    EXPECT_EQ(hasPrefixUsingCharacterSetRep(sa, sb, rep), c.prefix);
    EXPECT_EQ(hasPrefixNoCaseUsingCharacterSetRep(sa, sb, rep), c.prefixNoCase);
  }
  EXPECT_TRUE(equalStringsUsingCharacterSetRep(String(), String(), rep));
  EXPECT_TRUE(hasPrefixUsingCharacterSetRep(make(u"x"), String(), rep));
  // A caller's rep works like the library's; without a rep nothing is equal.
  std::vector<std::uint8_t> hyphens(kCharacterSetRepBytes, 0);
  hyphens[5] = 1 << 5;  // U+002D only
  EXPECT_TRUE(equalCharsOfCharacterSetRep(u"a--b", 4, u"-x-", 3, hyphens.data()));
  EXPECT_FALSE(equalStringsUsingCharacterSetRep(make(u"ab"), make(u"ab"), nullptr));

  // 150 + 160 units: only the sum needs the heap.
  const String a = make(std::u16string(150, u'a'));
  const String b =
      make(std::u16string(75, u'A') + std::u16string(10, u' ') + std::u16string(75, u'a'));
  testhooks::failNextWorkAllocations(1);
  EXPECT_FALSE(equalStringsNoCaseUsingCharacterSetRep(a, b, rep));
  EXPECT_TRUE(equalStringsNoCaseUsingCharacterSetRep(a, b, rep));
}

INSTANTIATE_FORMS(BufferCompareStrings);

TEST(CharacterBufferCompare, WhiteAndMashedBuffers) {
  const std::vector<std::pair<std::u16string, bool>> white = {
      {u"", true},
      {u"\t\u00A0\uFEFF", true},
      {std::u16string(u"\u0003\uFFFC\0\u2028", 4), true},
      {u"  a", false},
      {u"\u200B", false},
  };
  for (const auto& [text, expected] : white) {
    EXPECT_EQ(onlyWhiteCharacters(text.data(), text.size()), expected) << utf8(text);
  }
  const std::vector<std::pair<std::u16string, bool>> mashed = {
      {u"HelloWorld!!", true}, {u"McDo", true},   {u"ÄbÖü", true},   {u"McD", false},
      {u"Hello", false},       {u"HELLO", false}, {u"Mc-Do", false}, {u"McDO", false},
  };
  for (const auto& [text, expected] : mashed) {
    EXPECT_EQ(isMashedWordCharacters(text.data(), text.size()), expected) << utf8(text);
  }
  // Nothing past the given length is read.
  EXPECT_FALSE(isMashedWordCharacters(u"McDo", 3));
}

}  // namespace
}  // namespace orvin
