#include "strings/Normalization.h"

#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"
#include "StringCases.h"
#include "chars/ConversionTables.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::bound;
using test::FormTest;
using test::Kept;
using test::textOf;

constexpr String (*nfc)(const String&) = normalizedString;
constexpr String (*inForm)(const String&, NSInteger) = normalizedString;

const test::ResultCase kFoldCases[] = {
    {"nfc", nfc, u"e\u0301", u"\u00E9"},
    {"nfc", nfc, u"", u"", Kept::Itself},
    {"nfd", bound<inForm, 0>, u"\u00E9", u"e\u0301"},
    {"nfkd", bound<inForm, 1>, u"\uFB01\u00E9", u"fie\u0301"},
    {"nfkc", bound<inForm, 3>, u"\uFB01e\u0301", u"fi\u00E9"},
    {"form 4", bound<inForm, 4>, u"e\u0301", u"e\u0301"},
    {"upper", normalizedUppercaseString, u"stra\u00DFe", u"STRASSE"},
    {"lower", normalizedLowercaseString, u"A\u030ABC", u"\u00E5bc"},
    {"lower", normalizedLowercaseString, u"", u"", Kept::Itself},
    {"fixed", fixedAndNormalizedString, u"\uF8FF\uF400\uF3FF\uE000", u"  \uF3FF\uE000"},
    {"fixed", fixedAndNormalizedString, u"x\U0001F600\xDC00\u0065\u0301", u"x   \u00E9"},
    {"fixed", fixedAndNormalizedString, u"", u"", Kept::Itself},
    {"optimized", optimizedString, u"abc", u"abc"},
    {"nonUmlauted", nonUmlautedString, u"M\u00FCller", u"Muller"},
    {"nonUmlauted", nonUmlautedString, u"e\u0301", u"e\u0301", Kept::Itself},
    {"lowerNonUmlauted", lowercaseNonUmlautedString, u"M\u00DCLLER", u"muller"},
    {"upperNonUmlauted", uppercaseNonUmlautedString, u"ABC", u"ABC", Kept::Itself},
    {"nonUmlautedNormalized", nonUmlautedNormalizedString, u"e\u0301", u"e"},
    {"upperNonUmlautedNormalized", uppercaseNonUmlautedNormalizedString, u"o\u0308l", u"OL"},
    {"ascii", asciiString, u"Cr\u00E8me br\u00FBl\u00E9e", u"Creme brulee"},
    {"ascii", asciiString, u"\u6F22\U0001F600\u00DF", u"    "},
    {"lowerAscii", lowercaseAsciiString, u"\u00C0B[", u"ab["},
    {"upperAscii", uppercaseAsciiString, u"\u00E0b{", u"AB{"},
    {"normalizedCharacters", getCharactersOfNormalizedString, u"A\u030A", u"\u00C5"},
};

class Normalization : public FormTest {};

TEST_P(Normalization, TextAndIdentityOfEachResult) {
  test::expectResults(GetParam(), kFoldCases);
  EXPECT_NE(optimizedString(make(u"abc")).charactersPtr(), nullptr);
}

TEST_P(Normalization, FirstAndLastCharacter) {
  const std::tuple<std::u16string, unichar, unichar> cases[] = {
      {u"", 0, 0}, {u"a", u'a', u'a'}, {u"ab", u'a', u'b'}, {u"\U0001F600", 0xD83D, 0xDE00}};
  for (const auto& [text, first, last] : cases) {
    EXPECT_EQ(firstCharacter(make(text)), first);
    EXPECT_EQ(lastCharacter(make(text)), last);
  }
  EXPECT_EQ(firstCharacter(String()), 0);
  EXPECT_EQ(lastCharacter(String()), 0);
}

void fix(MutableString& m) {
  EXPECT_TRUE(fixAndNormalizeString(m));
}

const test::EditCase kEditCases[] = {
    {"normalize", [](MutableString& m) { normalizeString(m); }, u"A\u030A", u"\u00C5"},
    {"normalize", [](MutableString& m) { normalizeString(m, 0); }, u"\u00C5", u"A\u030A"},
    {"normalize", [](MutableString& m) { normalizeString(m, 9); }, u"\u00C5", u"\u00C5"},
    {"lower", normalizeLowercaseString, u"O\u0308L", u"\u00F6l"},
    {"upper", normalizeUppercaseString, u"o\u0308l\u00DF", u"\u00D6LSS"},
    {"fix", fix, u"\U0001F600e\u0301", u"  \u00E9"},
    {"ligatures", convertLigaturesToCharacters, u"\uFB01ne \u0132ssel \u0133", u"fine IJssel ij"},
    {"ligatures", convertLigaturesToCharacters, u"\uFB05\uFB06", u"stst"},
    {"ligatures", convertLigaturesToCharacters, u"a\uFB07\uFAFF", u"a\uFB07\uFAFF"},
};

TEST_P(Normalization, InPlaceEdits) {
  test::expectEdits(GetParam(), kEditCases);
}

// The ASCII folds agree with the one-character folds on every code unit,
// after composition.
TEST(Normalization, AsciiFoldsAgreeWithCharacterFolds) {
  const std::pair<String (*)(const String&), unichar (*)(unichar)> folds[] = {
      {asciiString, toAscii},
      {lowercaseAsciiString, toLowerAscii},
      {uppercaseAsciiString, toUpperAscii}};
  for (const auto& [fold, fold1] : folds) {
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
      const char16_t unit = static_cast<char16_t>(c);
      std::u16string expected =
          normalizedString(String(std::u16string_view(&unit, 1))).toU16String();
      for (char16_t& u : expected) u = fold1(u);
      ASSERT_EQ(fold(String(std::u16string_view(&unit, 1))).toU16String(), expected) << c;
    }
  }
}

// Texts that cross the inline window and the stack buffer, and a ligature
// buffer of four times the length on either side of 256 code units.
TEST_P(Normalization, LongTexts) {
  for (std::size_t length : {63u, 64u, 65u, 256u, 257u}) {
    SCOPED_TRACE(length);
    std::u16string text;
    while (text.size() < length) text += u"\u00E9\uFB01";
    text.resize(length);
    std::u16string expanded;
    for (char16_t c : text) expanded += c == 0xFB01 ? u"fi" : std::u16string(1, c);
    MutableString m(make(text));
    convertLigaturesToCharacters(m);
    EXPECT_EQ(textOf(m), expanded);
    std::u16string ascii = expanded;
    for (char16_t& c : ascii) c = c == 0xE9 ? u'e' : c;
    EXPECT_EQ(textOf(asciiString(m)), ascii);
    EXPECT_EQ(textOf(nonUmlautedString(make(expanded))), ascii);
  }
}

// Without memory for the normalized code units the normalizing functions
// answer nil (fixAndNormalizeString false, the text unchanged); the table
// folds and optimizedString answer the string itself; the ligature buffer
// (four times the length) leaves the text alone above 64 code units.
TEST_P(Normalization, WithoutMemory) {
  // Built first, so that the failures armed below hit the work memory of the
  // calls and not the table's first allocation.
  ASSERT_NE(umlautsCharsTable(), nullptr);
  const String shortText = make(u"\u00E9t\u00E9\uFB01");
  const String longText = make(std::u16string(300, u'\u00E9'));
  auto failing = [](auto&& call) {
    testhooks::failNextWorkAllocations(1);
    auto result = call();
    testhooks::resetWorkAllocationFailures();
    return result;
  };
  for (const String& s : {shortText, longText}) {
    for (auto fold : {nfc, normalizedUppercaseString, nonUmlautedNormalizedString, asciiString,
                      fixedAndNormalizedString, getCharactersOfNormalizedString}) {
      EXPECT_TRUE(failing([&] { return fold(s); }).isNil());
    }
    MutableString m(s);
    EXPECT_FALSE(failing([&] { return fixAndNormalizeString(m); }));
    EXPECT_TRUE(m == s);
    EXPECT_TRUE(failing([&] { return optimizedString(s); }).isIdenticalTo(s));
  }
  EXPECT_FALSE(failing([&] { return nonUmlautedString(shortText); }).isIdenticalTo(shortText));
  EXPECT_TRUE(failing([&] { return nonUmlautedString(longText); }).isIdenticalTo(longText));
  for (std::size_t length : {64u, 65u}) {
    MutableString m(make(std::u16string(length, u'\uFB00')));
    testhooks::failNextWorkAllocations(1);
    convertLigaturesToCharacters(m);
    testhooks::resetWorkAllocationFailures();
    EXPECT_EQ(m.length(), length == 64 ? 128u : 65u);
  }
}

INSTANTIATE_FORMS(Normalization);

}  // namespace
}  // namespace orvin
