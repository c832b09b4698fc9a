#include "chars/String.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "StorageForms.h"
#include "chars/MutableString.h"
#include "chars/PlatformException.h"

namespace orvin {
namespace {

using test::Form;
using test::FormTest;

TEST(String, NilIsDistinctFromEmpty) {
  const String nil;
  const String empty(u"");
  EXPECT_TRUE(nil.isNil());
  EXPECT_FALSE(empty.isNil());
  EXPECT_TRUE(nil.isEmpty());
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_FALSE(nil == empty);
  EXPECT_TRUE(nil == String());
  EXPECT_TRUE(String(static_cast<const char16_t*>(nullptr)).isNil());
  EXPECT_EQ(nil.charactersPtr(), nullptr);
  EXPECT_NE(empty.charactersPtr(), nullptr);
}

TEST(String, StorageForms) {
  const String utf16(u"abc");
  const String compact = String::withLatin1("abc");
  EXPECT_FALSE(utf16.isCompact());
  EXPECT_NE(utf16.charactersPtr(), nullptr);
  EXPECT_TRUE(compact.isCompact());
  EXPECT_EQ(compact.charactersPtr(), nullptr);
  EXPECT_TRUE(utf16 == compact);
  // Latin-1 bytes above 0x7F are code units of the same value.
  EXPECT_EQ(String::withLatin1("\xE9").characterAtIndex(0), u'\u00E9');
}

TEST(String, CopiesShareStorageAndIdentityIsTestable) {
  const String a(u"shared");
  const String b = a;
  EXPECT_TRUE(a.isIdenticalTo(b));
  EXPECT_EQ(a.charactersPtr(), b.charactersPtr());
  EXPECT_FALSE(a.isIdenticalTo(String(u"shared")));
  EXPECT_TRUE(a.substring(NSRange{0, a.length()}).isIdenticalTo(a));
  EXPECT_FALSE(a.substring(NSRange{0, 3}).isIdenticalTo(a));
}

TEST(String, Utf8Construction) {
  struct Case {
    std::string_view utf8;
    std::u16string expected;
    bool compact;
  } cases[] = {
      {"plain", u"plain", true},
      {"gr\xC3\xBC\xC3\x9F", u"grüß", false},
      {"\xF0\x9F\x98\x80", u"\U0001F600", false},
      {std::string_view("a\0b", 3), std::u16string(u"a\0b", 3), true},
  };
  for (const Case& c : cases) {
    const String s = String::withUtf8(c.utf8);
    EXPECT_EQ(s.toU16String(), c.expected) << c.utf8;
    EXPECT_EQ(s.isCompact(), c.compact) << c.utf8;
    EXPECT_EQ(s.toUtf8(), c.utf8);
  }
  for (std::string_view bad : {"\xC3", "\xFF", "a\xED\xA0\x80z", "\xC0\xAF"}) {
    EXPECT_TRUE(String::withUtf8(bad).isNil()) << "accepted invalid UTF-8";
  }
}

TEST(String, Utf8OutputReplacesUnpairedSurrogates) {
  EXPECT_EQ(String(u"a\xD800z").toUtf8(), "a\xEF\xBF\xBDz");
  EXPECT_EQ(String::withLatin1("caf\xE9").toUtf8(), "caf\xC3\xA9");
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
  const String wrapped = String::wrappingCharacters(kWrapped, 2);
  EXPECT_EQ(wrapped.charactersPtr(), kWrapped);
  EXPECT_TRUE(String::withCharacters(nullptr, 4).isNil());
  EXPECT_TRUE(String::withCharacters(nullptr, 0) == String(u""));
}

class StringForms : public FormTest {};

TEST_P(StringForms, RangeErrorsRaisePlatformException) {
  const String s = make(u"hello");
  unichar buffer[8];
  EXPECT_EQ(s.characterAtIndex(4), u'o');
  EXPECT_THROW((void)s.characterAtIndex(5), PlatformException);
  EXPECT_THROW(s.getCharacters(buffer, NSRange{4, 2}), PlatformException);
  EXPECT_THROW(s.getCharacters(buffer, NSRange{NSNotFound, 2}), PlatformException);
  // A length that would wrap around past the end is still out of range.
  EXPECT_THROW((void)s.substring(NSRange{2, ~NSUInteger{0}}), PlatformException);
  EXPECT_THROW((void)s.substringFromIndex(6), PlatformException);
  try {
    (void)s.characterAtIndex(9);
  } catch (const PlatformException& e) {
    EXPECT_EQ(e.name(), NSRangeException);
    EXPECT_FALSE(e.callStackSymbols().empty());
  }
}

TEST_P(StringForms, SubstringsKeepContentAndForm) {
  const String s = make(u"héllo wörld");
  struct Case {
    NSRange range;
    std::u16string expected;
  } cases[] = {{{0, 5}, u"héllo"}, {{6, 5}, u"wörld"}, {{11, 0}, u""}, {{3, 1}, u"l"}};
  for (const Case& c : cases) {
    const String sub = s.substring(c.range);
    EXPECT_EQ(sub.toU16String(), c.expected);
    EXPECT_EQ(sub.isCompact(), s.isCompact());
  }
  EXPECT_EQ(s.substringFromIndex(6).toU16String(), u"wörld");
  EXPECT_EQ(s.substringToIndex(5).toU16String(), u"héllo");
}

TEST_P(StringForms, MutableEditsInPlace) {
  struct Case {
    const char* what;
    void (*edit)(MutableString&);
    std::u16string expected;
  } cases[] = {
      {"delete",
       [](MutableString& m) {
         m.deleteCharactersInRange({1, 2});
       },
       u"alo"},
      {"insert", [](MutableString& m) { m.insertString(u"XY", 2); }, u"caXYfé"},
      {"insert at end", [](MutableString& m) { m.insertString(u"!", 4); }, u"café!"},
      {"append", [](MutableString& m) { m.appendString(u" au lait"); }, u"café au lait"},
      {"append nil", [](MutableString& m) { m.appendString(String()); }, u"café"},
      {"append units", [](MutableString& m) { m.appendCharacters(u"\U0001F600", 2); },
       u"café\U0001F600"},
      {"replace",
       [](MutableString& m) {
         m.replaceCharactersInRange({0, 4}, u"tea");
       },
       u"tea"},
      {"replace all", [](MutableString& m) { m.setString(u"new"); }, u"new"},
      {"append itself", [](MutableString& m) { m.appendString(m); }, u"cafécafé"},
      {"insert own units",
       [](MutableString& m) {
         m.insertString(u"", 0);  // any edit leaves UTF-16 storage behind
         m.appendCharacters(m.charactersPtr(), m.length());
       },
       u"cafécafé"},
  };
  for (const Case& c : cases) {
    MutableString m(make(std::string_view(c.what) == "delete" ? u"aXYlo" : u"café"));
    c.edit(m);
    EXPECT_EQ(m.toU16String(), c.expected) << c.what;
  }
}

TEST_P(StringForms, MutationDetachesFromCopies) {
  const String original = make(u"base");
  MutableString m(original);
  const String snapshot = m;
  m.appendString(u"-more");
  EXPECT_EQ(original.toU16String(), u"base");
  EXPECT_EQ(snapshot.toU16String(), u"base");
  EXPECT_EQ(m.toU16String(), u"base-more");
  EXPECT_NE(m.charactersPtr(), nullptr);  // edited text is UTF-16
}

TEST_P(StringForms, MutableRangeErrors) {
  MutableString m(make(u"abc"));
  EXPECT_THROW(m.deleteCharactersInRange({2, 2}), PlatformException);
  EXPECT_THROW(m.insertString(u"x", 4), PlatformException);
  EXPECT_THROW(m.replaceCharactersInRange({4, 0}, u"x"), PlatformException);
  EXPECT_EQ(m.toU16String(), u"abc");
}

TEST(MutableString, ManyAppendsStayCorrect) {
  MutableString m;
  std::u16string expected;
  for (int i = 0; i < 2000; ++i) {
    const char16_t unit = static_cast<char16_t>(u'a' + i % 26);
    m.appendCharacters(&unit, 1);
    expected.push_back(unit);
  }
  EXPECT_EQ(m.toU16String(), expected);
  EXPECT_TRUE(MutableString(String()).toU16String().empty());
  EXPECT_FALSE(MutableString(String()).isNil());
}

INSTANTIATE_FORMS(StringForms);

}  // namespace
}  // namespace orvin
