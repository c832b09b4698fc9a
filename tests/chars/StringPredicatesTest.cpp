#include "chars/StringPredicates.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/CharacterSetReps.h"
#include "chars/WorkMemory.h"

namespace orvin {
namespace {

using test::Form;
using test::FormTest;

std::string narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

class StringPredicates : public FormTest {
 protected:
  String makeOptional(const std::optional<std::u16string>& text) const {
    return text ? make(*text) : String();
  }
  // The other storage form, so that an equality reads one string in place
  // and the other one unit at a time.
  String makeOtherForm(const std::optional<std::u16string>& text) const {
    if (!text) return String();
    return test::make(GetParam() == Form::Utf16 ? Form::Compact : Form::Utf16, *text);
  }
};

struct UnitCase {
  std::u16string text;
  bool ascii, umlauted, lower, upper;
};

TEST_P(StringPredicates, WholeStringUnitTests) {
  const std::u16string pad(300, u'a');  // reaches past several inline windows
  const std::vector<UnitCase> cases = {
      {u"", true, false, true, true},
      {u"abc 123!", true, false, true, false},
      {u"abC", true, false, false, false},
      {u"ABC 123", true, false, false, true},
      {u"ß", false, false, true, true},
      {u"\u0130", false, true, true, true},  // its lower-case form has two units
      {u"Café", false, true, false, false},
      {u"Cafe", true, false, false, false},
      {u"\u01C5", false, false, false, true},  // title case: lower differs, upper not
      {pad + u"É", false, true, false, false},
      {pad + u"\u007F", true, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.text));
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

TEST_P(StringPredicates, MashedWord) {
  const std::vector<std::pair<std::u16string, bool>> cases = {
      {u"HelloWorld", true}, {u"Hello", false}, {u"Ab", false},
      {u"", false},          {u"McDo", true},   {u"McD", false},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(isMashedWord(make(text)), expected) << narrow(text);
  }
  EXPECT_FALSE(isMashedWord(String()));

  ASSERT_NE(upperCharacterSetRep(), nullptr);
  ASSERT_NE(lowerCharacterSetRep(), nullptr);
  const String s = make(u"HelloWorld" + std::u16string(300, u'x'));
  EXPECT_TRUE(isMashedWord(s));
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(isMashedWord(s), !s.isCompact());  // only compact storage copies
  testhooks::resetWorkAllocationFailures();
}

struct EqualityCase {
  std::optional<std::u16string> a, b;
  bool noCase, ascii, nonUmlauted;
};

TEST_P(StringPredicates, CaselessEqualities) {
  const std::u16string pad(300, u'a');
  const std::u16string padUpper(300, u'A');
  const std::vector<EqualityCase> cases = {
      {u"ABC", u"abc", true, true, true},
      {u"", u"", true, true, true},
      {std::nullopt, u"", true, true, true},  // nil counts as empty
      {u"ß", u"SS", false, false, false},
      {u"abc", std::nullopt, false, false, false},
      {u"", std::nullopt, false, false, false},
      {u"Café", u"CAFE", false, true, true},
      {u"ß", u" ", false, true, false},
      {u"ж", u"ы", false, true, false},  // both fold to a space
      {u"é", u"ж", false, false, false},
      {u"Ärger", u"aRGER", false, true, true},
      {u"ß", u"s", false, false, false},
      {u"abc", u"abd", false, false, false},
      {u"z", u"Z", true, true, true},
      {u"@", u"`", false, false, false},  // neighbours of the letter ranges
      {u"[", u"{", false, false, false},
      {pad + u"é", padUpper + u"E", false, true, true},
      {pad + u"é", padUpper + u"F", false, false, false},
      {pad + u"x", padUpper + u"X", true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.a.value_or(u"nil")) + " / " + narrow(c.b.value_or(u"nil")));
    const String a = makeOptional(c.a);
    for (const String& b : {makeOptional(c.b), makeOtherForm(c.b)}) {
      EXPECT_EQ(isEqualToStringNoCase(a, b), c.noCase);
      EXPECT_EQ(isAsciiEqualToStringNoCase(a, b), c.ascii);
      EXPECT_EQ(isNonUmlautedEqualToStringNoCase(a, b), c.nonUmlauted);
    }
  }
}

struct AffixCase {
  std::u16string s;
  std::optional<std::u16string> other;
  bool prefix, suffix;
};

TEST_P(StringPredicates, PrefixAndSuffixNoCase) {
  const std::vector<AffixCase> cases = {
      {u"Hello", u"he", true, false},
      {u"Hello", u"", false, false},
      {u"Hello", std::nullopt, false, false},
      {u"Hello", u"Hello world", false, false},
      {u"File.TXT", u".txt", false, true},
      {u"Hello", u"hELLO", true, true},
      {u"", u"", false, false},
      {u"Straße", u"SSE", false, false},
      {u"Ärger", u"ä", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.s) + " / " + narrow(c.other.value_or(u"nil")));
    const String s = make(c.s);
    const String other = makeOptional(c.other);
    EXPECT_EQ(hasPrefixNoCase(s, other), c.prefix);
    EXPECT_EQ(hasSuffixNoCase(s, other), c.suffix);
  }
}

struct RangeCase {
  std::u16string s;
  NSRange range;
  std::optional<std::u16string> other;
  bool exact, noCase, ascii, nonUmlauted;
};

TEST_P(StringPredicates, RangeEqualities) {
  const std::u16string pad(300, u'-');
  const std::vector<RangeCase> cases = {
      {u"abcdef", {2, 3}, u"cde", true, true, true, true},
      {u"abcdef", {2, 0}, std::nullopt, true, true, false, false},
      {u"abcdef", {2, 0}, u"", true, true, true, true},
      {u"abcdef", {2, 3}, u"CDE", false, true, true, true},
      {u"abcdef", {2, 3}, u"cd", false, false, false, false},
      {u"abcdef", {2, 3}, std::nullopt, false, false, false, false},
      {u"xCafé", {1, 4}, u"cafe", false, false, true, true},
      {u"xÄrger", {1, 5}, u"aRGER", false, false, true, true},
      {u"abc", {3, 0}, u"", true, true, true, true},
      // Ranges outside the string.
      {u"abcdef", {4, 3}, u"ef-", false, false, false, false},
      {u"abc", {4, 0}, std::nullopt, false, false, false, false},
      {u"abc", {4, 0}, u"", false, false, false, false},
      {u"abc", {NSNotFound, 2}, u"ab", false, false, false, false},
      {u"abc", {1, ~NSUInteger{0}}, u"bc", false, false, false, false},
      // A range deep inside a long text (inline buffer refills).
      {pad + u"Öl" + pad, {300, 2}, u"OL", false, false, true, true},
      {pad + u"Öl" + pad, {300, 2}, u"öL", false, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.s.substr(0, 10)) + " @" + std::to_string(c.range.location));
    const String s = make(c.s);
    for (const String& other : {makeOptional(c.other), makeOtherForm(c.other)}) {
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
