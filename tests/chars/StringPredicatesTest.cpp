#include "chars/StringPredicates.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "StorageForms.h"
#include "chars/CharacterSetReps.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::utf8;
using Text = std::optional<std::u16string>;  // nullopt: a nil String

class StringPredicates : public test::FormTest {
 protected:
  String make(const Text& text) const { return text ? FormTest::make(*text) : String(); }
  String makeOther(const Text& text) const { return text ? FormTest::makeOther(*text) : String(); }
};

TEST_P(StringPredicates, WholeStringUnitTests) {
  const std::u16string pad(300, u'a');  // reaches past several inline windows
  const struct {
    std::u16string text;
    bool ascii, umlauted, lower, upper;
  } cases[] = {
      {u"", true, false, true, true},
      {u"abC", true, false, false, false},
      {u"ABC 123", true, false, false, true},
      {u"ß", false, false, true, true},
      {u"\u0130", false, true, true, true},  // its lower-case form has two units
      {u"Café", false, true, false, false},
      {u"\u01C5", false, false, false, true},  // title case: lower differs, upper not
      {pad + u"É", false, true, false, false},
      {pad + u"\u007F", true, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.text));
    const String s = make(c.text);
    EXPECT_EQ(isAsciiString(s), c.ascii);
    EXPECT_EQ(isUmlautedString(s), c.umlauted);
    EXPECT_EQ(isLowerCaseString(s), c.lower);
    EXPECT_EQ(isUpperCaseString(s), c.upper);
  }
  EXPECT_TRUE(isAsciiString(String()));
  EXPECT_FALSE(isUmlautedString(String()));
  for (const String& s : {String(), make(u""), make(u"a")}) {
    EXPECT_EQ(isStringEmpty(s), s.length() == 0);
    EXPECT_EQ(isStringNotEmpty(s), s.length() > 0);
  }
}

// The shapes of a mashed word are the buffer function's (checked there);
// here the string's way to it: only compact storage needs a copy.
TEST_P(StringPredicates, MashedWord) {
  EXPECT_FALSE(isMashedWord(String()));
  ASSERT_NE(upperCharacterSetRep(), nullptr);
  ASSERT_NE(lowerCharacterSetRep(), nullptr);
  const String s = make(u"HelloWorld" + std::u16string(300, u'x'));
  EXPECT_TRUE(isMashedWord(s));
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(isMashedWord(s), !s.isCompact());
  testhooks::resetWorkAllocationFailures();
}

TEST_P(StringPredicates, CaselessEqualities) {
  const std::u16string pad(300, u'a');
  const std::u16string padUpper(300, u'A');
  const struct {
    Text a, b;
    bool noCase, ascii, nonUmlauted;
  } cases[] = {
      {u"ABC", u"abc", true, true, true},
      {std::nullopt, u"", true, true, true},  // nil counts as empty
      {u"ß", u"SS", false, false, false},
      {u"abc", std::nullopt, false, false, false},
      {u"", std::nullopt, false, false, false},  // nil on the other side
      {u"\u0080", u" ", false, true, false},     // the first code unit past ASCII folds
      {u"\u007F", u" ", false, false, false},    // the last ASCII one stays
      {u"ж", u"ы", false, true, false},          // both fold to a space
      {u"é", u"ж", false, false, false},
      {u"Ärger", u"aRGER", false, true, true},
      {u"@", u"`", false, false, false},  // neighbours of the letter ranges
      {u"[", u"{", false, false, false},
      {pad + u"é", padUpper + u"E", false, true, true},
      {pad + u"x", padUpper + u"X", true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.a.value_or(u"nil")) + " / " + utf8(c.b.value_or(u"nil")));
    const String a = make(c.a);
    for (const String& b : {make(c.b), makeOther(c.b)}) {
      EXPECT_EQ(isEqualToStringNoCase(a, b), c.noCase);
      EXPECT_EQ(isAsciiEqualToStringNoCase(a, b), c.ascii);
      EXPECT_EQ(isNonUmlautedEqualToStringNoCase(a, b), c.nonUmlauted);
    }
  }
}

TEST_P(StringPredicates, PrefixAndSuffixNoCase) {
  const struct {
    std::u16string s;
    Text other;
    bool prefix, suffix;
  } cases[] = {
      {u"Hello", u"he", true, false},
      {u"Hello", u"", false, false},
      {u"Hello", std::nullopt, false, false},
      {u"Hello", u"Hello world", false, false},
      {u"File.TXT", u".txt", false, true},
      {u"Hello", u"hELLO", true, true},
      {u"", u"", false, false},
      {u"Straße", u"SSE", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.s) + " / " + utf8(c.other.value_or(u"nil")));
    EXPECT_EQ(hasPrefixNoCase(make(c.s), make(c.other)), c.prefix);
    EXPECT_EQ(hasSuffixNoCase(make(c.s), make(c.other)), c.suffix);
  }
}

TEST_P(StringPredicates, RangeEqualities) {
  const std::u16string pad(300, u'-');
  const struct {
    std::u16string s;
    NSRange range;
    Text other;
    bool exact, noCase, ascii, nonUmlauted;
  } cases[] = {
      {u"abcdef", {2, 3}, u"cde", true, true, true, true},
      {u"abcdef", {2, 0}, std::nullopt, true, true, false, false},
      {u"abcdef", {2, 3}, u"CDE", false, true, true, true},
      {u"abcdef", {2, 3}, std::nullopt, false, false, false, false},
      {u"xÄrger", {1, 5}, u"aRGER", false, false, true, true},
      {u"abc", {3, 0}, u"", true, true, true, true},
      // Ranges outside the string.
      {u"abcdef", {4, 3}, u"ef-", false, false, false, false},
      {u"abc", {4, 0}, u"", false, false, false, false},
      {u"abc", {NSNotFound, 2}, u"ab", false, false, false, false},
      {u"abc", {1, ~NSUInteger{0}}, u"bc", false, false, false, false},
      // A range deep inside a long text (inline buffer refills).
      {pad + u"Öl" + pad, {300, 2}, u"OL", false, false, true, true},
      {pad + u"Öl" + pad, {300, 2}, u"öL", false, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.s.substr(0, 10)) + " @" + std::to_string(c.range.location));
    const String s = make(c.s);
    for (const String& other : {make(c.other), makeOther(c.other)}) {
      EXPECT_EQ(rangeIsEqualTo(s, c.range, other), c.exact);
      EXPECT_EQ(rangeIsEqualToNoCase(s, c.range, other), c.noCase);
      EXPECT_EQ(rangeIsAsciiEqualToNoCase(s, c.range, other), c.ascii);
      EXPECT_EQ(rangeIsNonUmlautedEqualToNoCase(s, c.range, other), c.nonUmlauted);
    }
  }
}

INSTANTIATE_FORMS(StringPredicates);

}  // namespace
}  // namespace orvin
