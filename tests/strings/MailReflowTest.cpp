#include "strings/MailReflow.h"

#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::FormTest;

class MailReflow : public FormTest {};

TEST_P(MailReflow, UnwrapsHardWrappedMail) {
  struct Case {
    std::u16string text, expected;
  };
  std::u16string longMail, longExpected;
  for (int i = 0; i < 60; ++i) {
    longMail += u"word  word\r\n";
    longExpected += i == 0 ? u"word word" : u" word word";
  }
  const Case cases[] = {
      {longMail + u"> end", longExpected + u"\n> end"},
      {u"Hello\nworld", u"Hello world"},
      {u"Dear Sir:\nThanks", u"Dear Sir:\nThanks"},
      {u"a>\nb", u"a>\nb"},
      {u"a\n> quoted", u"a\n> quoted"},
      {u"a\n-b", u"a\n-b"},
      {u"a\r\nb", u"a b"},
      {u"a\r\n\r\nb", u"a\n\nb"},
      {u"a\n\rb", u"a\n\nb"},  // LF then CR: two breaks
      {u"a\t\u00A0b", u"a b"},
      {u"a \nb", u"a b"},  // after white space a break writes nothing
      {u"\nabc", u"abc"},  // nor at the start
      {u"a\n", u"a"},
      {u"a\n\n", u"a\n\n"},
      {u"a  ", u"a "},
      {u"\U0001F600\n\U0001F601", u"\U0001F600 \U0001F601"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    EXPECT_EQ(test::textOf(reformattedMailing(make(c.text))), c.expected);
  }
}

TEST_P(MailReflow, ResultIsNewUnlessEmpty) {
  const String plain = make(u"plain");
  const String result = reformattedMailing(plain);
  EXPECT_EQ(result, plain);
  EXPECT_FALSE(result.isIdenticalTo(plain));
  const String empty = make(u"");
  EXPECT_TRUE(reformattedMailing(empty).isIdenticalTo(empty));
  EXPECT_TRUE(reformattedMailing(String()).isNil());
}

TEST_P(MailReflow, JoinsLinesIntoParagraphs) {
  struct Case {
    std::u16string text;
    const char16_t* remove;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"Hello\nworld\n\nNext\n", nullptr, u"Hello world\n\nNext"},
      {u"> a\n> b", u">", u"a b"},
      {u"> a\n>\n> b", u">", u"a\n\nb"},
      {u"a\n\n", nullptr, u"a\n"},  // the blank last line writes its end once
      {u"a\n\n\n\nb", nullptr, u"a\n\nb"},
      {u"  a  \n\tb  ", nullptr, u"a b"},
      {u"a\u0003b", nullptr, u"a\u0003 b"},  // U+0003 ends a line but is not white
      {u"a\n  ", nullptr, u"a"},             // a blank last line without an end writes nothing
      {u"ab\U0001F600\U0001F601", u"\U0001F600", u"ab\U0001F601"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    const String remove = c.remove == nullptr ? String() : makeOther(c.remove);
    EXPECT_EQ(reformattedStringByRemovingCharactersOfString(make(c.text), remove).toU16String(),
              c.expected);
  }
  EXPECT_TRUE(reformattedStringByRemovingCharactersOfString(String(), u"x").isEmpty());
}

INSTANTIATE_FORMS(MailReflow);

TEST(MailReflowMemory, NoHeapCopyGivesTheStringItself) {
  for (const String& mail : {String::withLatin1(std::string(300, 'a') + "\nb"),
                             String(std::u16string(300, u'a') + u"\nb")}) {
    // The first call builds the character classes, so that the armed
    // failure below meets the copy and not a class.
    EXPECT_EQ(reformattedMailing(mail).length(), 302u);
    testhooks::failNextWorkAllocations(1);
    EXPECT_TRUE(reformattedMailing(mail).isIdenticalTo(mail));
    testhooks::resetWorkAllocationFailures();
  }
}

}  // namespace
}  // namespace orvin
