#include "strings/RemovingCharacters.h"

#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"
#include "StringCases.h"
#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "chars/internal/TestHooks.h"
#include "strings/FeedCharacters.h"

namespace orvin {
namespace {

using test::bound;
using test::FormTest;
using test::Kept;
using test::textOf;

// Reps and tables come from calls, so these cases bind them at run time.
String upperTable(const String& s) {
  return stringByApplyingConversionTable(s, upperCharsTable());
}
String inDigitRep(const String& s) {
  return stringByRemovingCharactersInRep(s, digitCharacterSetRep());
}
String alphaNumLower(const String& s) {
  return stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, lowerCharsTable());
}
constexpr auto kSpaces = bound<stringByRemovingMultipleSpacesAndFeeds, false>;
constexpr auto kWhites = bound<stringByRemovingMultipleSpacesAndFeeds, true>;
constexpr auto kNoTable = bound<stringByApplyingConversionTable, nullptr>;
constexpr auto kNoRep = bound<stringByRemovingCharactersInRep, nullptr>;
constexpr auto kAlphaNum =
    bound<stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable, nullptr>;

const test::ResultCase kRemoveCases[] = {
    {"spaces", kSpaces, u"a \t b", u"a b"},
    {"spaces", kSpaces, u"\u00A0\u3000x\t", u" x "},
    {"spaces", kSpaces, u"a\n\n", u"a\n\n", Kept::Itself},
    {"whites", kWhites, u"a\n\n b\r\n", u"a b "},
    {"feeds", stringByRemovingMultipleFeeds, u"a\r\n\n\u2028b\n", u"a\nb\n"},
    {"feeds", stringByRemovingMultipleFeeds, u"a b\v", u"a b\v", Kept::Itself},
    {"digits", stringByRemovingDigits, u"a1b22\u0663", u"ab"},
    {"digits", stringByRemovingDigits, u"ab", u"ab", Kept::Itself},
    {"lowerDigits", lowercaseStringByRemovingDigits, u"A1B\u00C4", u"ab\u00E4"},
    {"lowerDigits", lowercaseStringByRemovingDigits, u"", u"", Kept::Itself},
    {"upperDigits", uppercaseStringByRemovingDigits, u"a1\u00E4\u00DF", u"A\u00C4\u00DF"},
    {"table", upperTable, u"ab\u00E4", u"AB\u00C4"},
    {"table", kNoTable, u"ab", u"ab", Kept::Itself},
    {"rep", inDigitRep, u"a1", u"a"},
    {"rep", kNoRep, u"a1", u"a1", Kept::Itself},
    {"white", stringByRemovingWhiteCharacters, u"a b\n\u00A0c\uFEFF", u"abc"},
    {"alphaNum", alphaNumLower, u"\u00C4-b 1!", u"\u00E4b1"},
    {"alphaNum", kAlphaNum, u"", u"", Kept::Itself},
    {"removeFeeds", stringByRemovingFeeds, u"a\r\nb\uFFFC", u"ab"},
    {"removeTabs", stringByRemovingTabs, u"\ta\tb", u"ab"},
    {"removeSpaces", stringByRemovingSpaces, u"a 1\tb\u00A0", u"a1b"},
};

class RemovingCharacters : public FormTest {};

TEST_P(RemovingCharacters, TextAndIdentityOfEachResult) {
  test::expectResults(GetParam(), kRemoveCases);
}

auto removingOf(const String& chars) {
  return [chars](MutableString& m) { removeCharactersOfString(m, chars); };
}
// The collapses answer the length afterwards.
template <auto Collapse, auto... Args>
void collapsing(MutableString& m) {
  const NSUInteger answered = Collapse(m, Args...);
  EXPECT_EQ(answered, m.length());
}

const test::EditCase kEditCases[] = {
    {"removeCharacters", test::boundEdit<removeCharacters, u'a'>, u"banana", u"bnn"},
    {"ofString", removingOf(u"ab"), u"abcab", u"c"},
    {"ofString", removingOf(String()), u"abc", u"abc"},
    // Pairs are removed whole or kept whole.
    {"ofString", removingOf(u"\U0001F600"), u"ok \U0001F603\U0001F600", u"ok \U0001F603"},
    {"ofString", removingOf(u"\xD83D"), u"a\U0001F600\xD83D", u"a\U0001F600"},
    {"ofString", removingOf(u"\xDE00"), u"\xDE00x\U0001F600", u"x\U0001F600"},
    {"ofString", removingOf(u"x\U0001F600"), u"\U0001F600x\U0001F601", u"\U0001F601"},
    {"removeTabs", removeTabs, u"\t\t\t", u""},
    {"removeFeeds", removeFeeds, u"\r\na\u2029b\x0003", u"ab"},
    {"removeWhite", removeWhiteCharacters, u" a\u3000\n", u"a"},
    {"removeDigits", removeDigits, u"1a22b3", u"ab"},
    {"multipleSpaces", collapsing<removeMultipleSpaces>, u"  ", u" "},
    {"multipleSpaces", collapsing<removeMultipleSpaces>, u"a \t b\n\n", u"a b\n\n"},
    {"multipleWhite", collapsing<removeMultipleSpacesAndFeeds, true>, u"a\r\n b ", u"a b "},
    {"multipleFeeds", collapsing<removeMultipleFeeds>, u"a\r\n\nb\n", u"a\nb\n"},
};

TEST_P(RemovingCharacters, InPlaceEdits) {
  test::expectEdits(GetParam(), kEditCases);
  MutableString self(make(u"abc"));
  removeCharactersOfString(self, self);
  EXPECT_EQ(textOf(self), u"");
}

// Plain reference collapse and removal over std::u16string.
template <class Member>
std::u16string collapsed(const std::u16string& text, Member member, char16_t with) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    if (!member(text[i])) {
      out += text[i++];
      continue;
    }
    out += with;
    while (i < text.size() && member(text[i])) ++i;
  }
  return out;
}

// Texts of many lengths with runs that cross the inline window and the
// 256-unit stack buffer, checked against the reference.
TEST_P(RemovingCharacters, LongTextsMatchReference) {
  const std::uint8_t* spaceRep = spaceCharacterSetRep();
  auto isSpace = [spaceRep](char16_t c) { return isInCharacterSetRep(spaceRep, c); };
  for (std::size_t run : {1u, 63u, 64u, 65u, 255u, 256u, 257u}) {
    std::u16string text;
    for (int k = 0; text.size() < 3 * run + 20; ++k) {
      text += std::u16string(run, k % 2 ? u' ' : u'\n') + u"w\u00E9" + std::u16string(k % 3, u'\t');
    }
    SCOPED_TRACE(text.size());
    const String s = make(text);
    EXPECT_EQ(textOf(stringByRemovingMultipleSpacesAndFeeds(s, false)),
              collapsed(text, isSpace, u' '));
    EXPECT_EQ(textOf(stringByRemovingMultipleFeeds(s)), collapsed(text, isFeedCharacter, u'\n'));
    MutableString m(s);
    EXPECT_EQ(removeMultipleFeeds(m), collapsed(text, isFeedCharacter, u'\n').size());
    removeSpaces(m);
    std::u16string expected = collapsed(text, isFeedCharacter, u'\n');
    std::erase_if(expected, isSpace);
    EXPECT_EQ(textOf(m), expected);
  }
}

// Without memory the immutable forms give the string itself and the
// in-place collapse leaves the text; only texts above 256 code units need a
// work buffer, and the in-place collapse only for text it shares.
TEST_P(RemovingCharacters, WithoutWorkBuffer) {
  // The reps are built first, so that the failures armed below hit the
  // work buffers and not the reps' first allocation.
  ASSERT_TRUE(digitCharacterSetRep() != nullptr && spaceCharacterSetRep() != nullptr);
  for (std::size_t length : {256u, 257u}) {
    SCOPED_TRACE(length);
    const std::u16string text = std::u16string(length - 3, u'x') + u"1  ";
    const String s = make(text);
    const bool heap = length > 256;
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(stringByRemovingDigits(s).isIdenticalTo(s), heap);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(stringByRemovingMultipleSpacesAndFeeds(s, false).isIdenticalTo(s), heap);
    MutableString shared(s);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(removeMultipleSpaces(shared), heap ? length : length - 1);
    // Text this string holds alone needs no buffer.
    MutableString own(s);
    own.appendString(u"  ");
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(removeMultipleSpaces(own), length - 1);
    testhooks::resetWorkAllocationFailures();
  }
}

INSTANTIATE_FORMS(RemovingCharacters);

}  // namespace
}  // namespace orvin
