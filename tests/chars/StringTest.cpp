#include "chars/String.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "StorageForms.h"
#include "chars/MutableString.h"
#include "chars/PlatformException.h"

namespace orvin {
namespace {

TEST(String, NilEmptyFormsAndIdentity) {
  const String nil;
  EXPECT_TRUE(nil.isNil() && nil.isEmpty());
  EXPECT_FALSE(String(u"").isNil());
  EXPECT_FALSE(nil == String(u""));
  EXPECT_TRUE(String(static_cast<const char16_t*>(nullptr)).isNil());
  EXPECT_TRUE(String::withCharacters(nullptr, 4).isNil());
  // Compact storage has no direct pointer and still equals its UTF-16 twin;
  // Latin-1 bytes above 0x7F are code units of the same value.
  const String compact = String::withLatin1("abc\xE9");
  EXPECT_TRUE(compact.isCompact());
  EXPECT_EQ(compact.charactersPtr(), nullptr);
  EXPECT_TRUE(compact == String(u"abc\u00E9"));
  // Copies share storage; a whole substring is the string itself.
  const String a(u"shared");
  EXPECT_TRUE(a.isIdenticalTo(String(a)));
  EXPECT_FALSE(a.isIdenticalTo(String(u"shared")));
  EXPECT_TRUE(a.substring(NSRange{0, a.length()}).isIdenticalTo(a));
  EXPECT_FALSE(a.substring(NSRange{0, 3}).isIdenticalTo(a));
}

TEST(String, Utf8InAndOut) {
  const std::tuple<std::string_view, std::u16string, bool> cases[] = {
      {"plain", u"plain", true},
      {"gr\xC3\xBC\xC3\x9F", u"grüß", false},
      {"\xF0\x9F\x98\x80", u"\U0001F600", false},
      {std::string_view("a\0b", 3), std::u16string(u"a\0b", 3), true},
  };
  for (const auto& [utf8, expected, compact] : cases) {
    const String s = String::withUtf8(utf8);
    EXPECT_EQ(s.toU16String(), expected) << utf8;
    EXPECT_EQ(s.isCompact(), compact) << utf8;
    EXPECT_EQ(s.toUtf8(), utf8);
  }
  for (std::string_view bad : {"\xC3", "\xFF", "a\xED\xA0\x80z", "\xC0\xAF"}) {
    EXPECT_TRUE(String::withUtf8(bad).isNil()) << "accepted invalid UTF-8";
  }
  EXPECT_EQ(String(u"a\xD800z").toUtf8(), "a\xEF\xBF\xBDz");  // unpaired: U+FFFD
  std::ostringstream printed;
  printed << String(u"grüß") << '|' << String();
  EXPECT_EQ(printed.str(), "gr\xC3\xBC\xC3\x9F|(null)");
  // Compact storage: the last one-byte unit and the first two-byte one.
  const std::pair<std::string_view, std::string_view> compactCases[] = {
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x7F", "\x7F"},
      {"\x80", "\xC2\x80"},
      {"\xFF", "\xC3\xBF"},
  };
  for (const auto& [latin1, utf8] : compactCases) {
    const String s = String::withLatin1(latin1);
    ASSERT_TRUE(s.isCompact());
    EXPECT_EQ(s.toUtf8(), utf8);
  }
}

TEST(String, AdoptAndWrapStorage) {
  static int releases = 0;
  auto* block = static_cast<unichar*>(std::malloc(3 * sizeof(unichar)));
  std::memcpy(block, u"xyz", 3 * sizeof(unichar));
  {
    const String adopted = String::adoptingCharacters(block, 3, [](unichar* p) {
      ++releases;
      std::free(p);
    });
    const String copy = adopted;
    EXPECT_EQ(adopted.charactersPtr(), block);
    EXPECT_TRUE(copy == String(u"xyz"));
  }
  EXPECT_EQ(releases, 1);
  static const unichar kWrapped[] = {u'h', u'i'};
  EXPECT_EQ(String::wrappingCharacters(kWrapped, 2).charactersPtr(), kWrapped);
}

class StringForms : public test::FormTest {};

TEST_P(StringForms, RangeErrorsRaisePlatformException) {
  const String s = make(u"hello");
  unichar buffer[8];
  EXPECT_EQ(s.characterAtIndex(4), u'o');
  EXPECT_THROW((void)s.characterAtIndex(5), PlatformException);
  EXPECT_THROW(s.getCharacters(buffer, NSRange{4, 2}), PlatformException);
  // A length that would wrap around past the end is still out of range.
  EXPECT_THROW((void)s.substring(NSRange{2, ~NSUInteger{0}}), PlatformException);
  EXPECT_THROW((void)s.substringFromIndex(6), PlatformException);
  try {
    (void)s.characterAtIndex(9);
  } catch (const PlatformException& e) {
    EXPECT_EQ(e.name(), NSRangeException);
    EXPECT_FALSE(e.callStackSymbols().empty());
  }
  MutableString m(make(u"abc"));
  EXPECT_THROW(m.deleteCharactersInRange({2, 2}), PlatformException);
  EXPECT_THROW(m.insertString(u"x", 4), PlatformException);
  EXPECT_EQ(m.toU16String(), u"abc");
}

TEST_P(StringForms, SubstringsKeepContentAndForm) {
  const String s = make(u"héllo wörld");
  for (const auto& [range, expected] :
       {std::pair<NSRange, std::u16string>{{0, 5}, u"héllo"}, {{6, 5}, u"wörld"}, {{11, 0}, u""}}) {
    EXPECT_EQ(s.substring(range).toU16String(), expected);
    EXPECT_EQ(s.substring(range).isCompact(), s.isCompact());
  }
  EXPECT_EQ(s.substringFromIndex(6).toU16String(), u"wörld");
  EXPECT_EQ(s.substringToIndex(5).toU16String(), u"héllo");
}

// One text edited step by step; each step checks the whole text.
TEST_P(StringForms, MutableEditsInPlace) {
  const String original = make(u"café");
  MutableString m(original);
  const String snapshot = m;
  auto expect = [&](std::u16string_view text) { EXPECT_EQ(m.toU16String(), text); };
  m.appendString(m);  // itself, still in its first form
  expect(u"cafécafé");
  EXPECT_NE(m.charactersPtr(), nullptr);  // edited text is UTF-16
  m.deleteCharactersInRange({2, 4});
  expect(u"café");
  m.insertString(u"XY", 2);
  expect(u"caXYfé");
  m.appendString(String());
  m.appendCharacters(u"\U0001F600", 2);
  expect(u"caXYfé\U0001F600");
  m.replaceCharactersInRange({0, 6}, u"tea");
  expect(u"tea\U0001F600");
  m.setString(u"new");
  m.appendString(m);
  expect(u"newnew");
  EXPECT_EQ(original.toU16String(), u"café");  // copies are untouched
  EXPECT_EQ(snapshot.toU16String(), u"café");
  MutableString grown;
  std::u16string expected;
  for (int i = 0; i < 2000; ++i) {
    const auto unit = static_cast<char16_t>(u'a' + i % 26);
    grown.appendCharacters(&unit, 1);
    expected.push_back(unit);
  }
  EXPECT_EQ(grown.toU16String(), expected);
  EXPECT_FALSE(MutableString(String()).isNil());
}

INSTANTIATE_FORMS(StringForms);

}  // namespace
}  // namespace orvin
