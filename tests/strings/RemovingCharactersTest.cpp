#include "strings/RemovingCharacters.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "InPlaceEdits.h"
#include "StorageForms.h"
#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "chars/internal/TestHooks.h"
#include "strings/FeedCharacters.h"

namespace orvin {
namespace {

using test::FormTest;
using test::textOf;

struct RemoveCase {
  const char* op;
  std::function<String(const String&)> remove;
  std::u16string in;
  std::u16string out;
  bool itself;
};

String spaces(const String& s) {
  return stringByRemovingMultipleSpacesAndFeeds(s, false);
}
String whites(const String& s) {
  return stringByRemovingMultipleSpacesAndFeeds(s, true);
}
String upperTable(const String& s) {
  return stringByApplyingConversionTable(s, upperCharsTable());
}
String noTable(const String& s) {
  return stringByApplyingConversionTable(s, nullptr);
}
String inDigitRep(const String& s) {
  return stringByRemovingCharactersInRep(s, digitCharacterSetRep());
}
String inEmptyRep(const String& s) {
  return stringByRemovingCharactersInRep(s, emptyCharacterSetRep());
}
String inNoRep(const String& s) {
  return stringByRemovingCharactersInRep(s, nullptr);
}
String alphaNumLower(const String& s) {
  return stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, lowerCharsTable());
}
String alphaNumOnly(const String& s) {
  return stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, nullptr);
}

const RemoveCase kRemoveCases[] = {
    {"spaces", spaces, u"a  b", u"a b", false},
    {"spaces", spaces, u"a\tb", u"a b", false},
    {"spaces", spaces, u" a ", u" a ", false},
    {"spaces", spaces, u"\u00A0\u3000x\t", u" x ", false},
    {"spaces", spaces, u"ab", u"ab", true},
    {"spaces", spaces, u"", u"", true},
    {"spaces", spaces, u"a\n\n b", u"a\n\n b", false},
    {"whites", whites, u"a\n\n b", u"a b", false},
    {"whites", whites, u"\r\n", u" ", false},
    {"feeds", stringByRemovingMultipleFeeds, u"a\r\nb", u"a\nb", false},
    {"feeds", stringByRemovingMultipleFeeds, u"a\n\n\nb", u"a\nb", false},
    {"feeds", stringByRemovingMultipleFeeds, u"\u2028", u"\n", false},
    {"feeds", stringByRemovingMultipleFeeds, u"ab\n\n", u"ab\n", false},
    {"feeds", stringByRemovingMultipleFeeds, u"a b\v", u"a b\v", true},
    {"digits", stringByRemovingDigits, u"a1b22", u"ab", false},
    {"digits", stringByRemovingDigits, u"ab", u"ab", true},
    {"digits", stringByRemovingDigits, u"\u0663x", u"x", false},
    {"lowerDigits", lowercaseStringByRemovingDigits, u"A1B\u00C4", u"ab\u00E4", false},
    {"lowerDigits", lowercaseStringByRemovingDigits, u"ab", u"ab", false},
    {"lowerDigits", lowercaseStringByRemovingDigits, u"", u"", true},
    {"upperDigits", uppercaseStringByRemovingDigits, u"a1\u00E4", u"A\u00C4", false},
    {"upperDigits", uppercaseStringByRemovingDigits, u"12", u"", false},
    {"table", upperTable, u"\u00C4b\u00DF", u"\u00C4B\u00DF", false},
    {"table", upperTable, u"AB", u"AB", false},
    {"table", noTable, u"ab", u"ab", true},
    {"rep", inDigitRep, u"a1", u"a", false},
    {"rep", inEmptyRep, u"a1", u"a1", false},
    {"rep", inNoRep, u"a1", u"a1", true},
    {"rep", inDigitRep, u"", u"", true},
    {"white", stringByRemovingWhiteCharacters, u"a b\n\u00A0c\uFEFF", u"abc", false},
    {"alphaNum", alphaNumLower, u"\u00C4-b 1!", u"\u00E4b1", false},
    {"alphaNum", alphaNumOnly, u"A-b", u"Ab", false},
    {"alphaNum", alphaNumOnly, u"-", u"", false},
    {"alphaNum", alphaNumOnly, u"", u"", true},
    {"removeFeeds", stringByRemovingFeeds, u"a\r\nb\uFFFC", u"ab", false},
    {"removeFeeds", stringByRemovingFeeds, u"ab", u"ab", false},
    {"removeFeeds", stringByRemovingFeeds, u"", u"", false},
    {"removeTabs", stringByRemovingTabs, u"\ta\t", u"a", false},
    {"removeSpaces", stringByRemovingSpaces, u"a 1\tb\u00A0", u"a1b", false},
    {"removeSpaces", stringByRemovingSpaces, u"", u"", false},
};

class RemovingCharacters : public FormTest {};

TEST_P(RemovingCharacters, TextAndIdentityOfEachResult) {
  for (const RemoveCase& c : kRemoveCases) {
    SCOPED_TRACE(std::string(c.op) + " of \"" + test::utf8(c.in) + "\"");
    const String s = make(c.in);
    const String out = c.remove(s);
    EXPECT_EQ(textOf(out), c.out);
    EXPECT_EQ(out.isIdenticalTo(s), c.itself);
    EXPECT_TRUE(c.remove(String()).isNil());
  }
}

auto removing(unichar c) {
  return [c](MutableString& m) { removeCharacters(m, c); };
}
auto removingOf(const String& chars) {
  return [chars](MutableString& m) { removeCharactersOfString(m, chars); };
}
// The collapses answer the length afterwards.
template <NSUInteger (*Collapse)(MutableString&)>
void collapsing(MutableString& m) {
  const NSUInteger answered = Collapse(m);
  EXPECT_EQ(answered, m.length());
}
NSUInteger collapseWhite(MutableString& m) {
  return removeMultipleSpacesAndFeeds(m, true);
}

const test::EditCase kEditCases[] = {
    {"removeCharacters", removing(u'a'), u"banana", u"bnn"},
    {"removeCharacters", removing(u'a'), u"aaa", u""},
    {"removeCharacters", removing(0xD83D), u"\xD83D", u""},
    {"ofString", removingOf(u"ab"), u"abcab", u"c"},
    {"ofString", removingOf(u""), u"abc", u"abc"},
    {"ofString", removingOf(String()), u"abc", u"abc"},
    // Pairs are removed whole or kept whole.
    {"ofString", removingOf(u"\U0001F600"), u"ok \U0001F603\U0001F600", u"ok \U0001F603"},
    {"ofString", removingOf(u"\xD83D"),
     u"a\U0001F600\xD83D"
     u"b",
     u"a\U0001F600b"},
    {"ofString", removingOf(u"\xDE00"), u"\xDE00x\U0001F600", u"x\U0001F600"},
    {"ofString", removingOf(u"\U0001F600"), u"\xD83D\xD83D", u"\xD83D\xD83D"},
    {"ofString", removingOf(u"x\U0001F600"), u"\U0001F600x\U0001F601", u"\U0001F601"},
    {"removeTabs", removeTabs, u"\t\t\t", u""},
    {"removeFeeds", removeFeeds, u"\r\na\u2029b\x0003", u"ab"},
    {"removeSpaces", removeSpaces, u" a\u3000\n", u"a\n"},
    {"removeWhite", removeWhiteCharacters, u" a\u3000\n", u"a"},
    {"removeDigits", removeDigits, u"1a22b3", u"ab"},
    {"removeDigits", removeDigits, u"ab", u"ab"},
    {"multipleSpaces", collapsing<removeMultipleSpaces>, u"  ", u" "},
    {"multipleSpaces", collapsing<removeMultipleSpaces>, u"", u""},
    {"multipleSpaces", collapsing<removeMultipleSpaces>, u"a \t b\n\n", u"a b\n\n"},
    {"multipleWhite", collapsing<collapseWhite>, u"a\r\n b ", u"a b "},
    {"multipleFeeds", collapsing<removeMultipleFeeds>, u"a\r\n\nb\n", u"a\nb\n"},
    {"multipleFeeds", collapsing<removeMultipleFeeds>, u"ab", u"ab"},
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
// work buffer, and the in-place collapse only for compact storage.
TEST_P(RemovingCharacters, WithoutWorkBuffer) {
  for (std::size_t length : {256u, 257u}) {
    SCOPED_TRACE(length);
    const std::u16string text = std::u16string(length - 3, u'x') + u"1  ";
    const String s = make(text);
    const bool heap = length > 256;
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(stringByRemovingDigits(s).isIdenticalTo(s), heap);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(stringByRemovingMultipleSpacesAndFeeds(s, false).isIdenticalTo(s), heap);
    MutableString m(s);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(removeMultipleSpaces(m), heap && s.isCompact() ? length : length - 1);
    testhooks::resetWorkAllocationFailures();
  }
}

INSTANTIATE_FORMS(RemovingCharacters);

}  // namespace
}  // namespace orvin
