#include "chars/StringConstruction.h"

#include <gtest/gtest.h>

#include "StorageForms.h"
#include "chars/Bytes.h"
#include "chars/TextEncodings.h"

namespace orvin {
namespace {

using test::textOf;

class StringConstruction : public test::FormTest {};

TEST_P(StringConstruction, Components) {
  const String usr = make(u"usr"), lib = make(u"lïb");
  EXPECT_EQ(textOf(*stringWithComponents(usr, {make(u"local"), lib})), u"usr.local.lïb");
  EXPECT_EQ(textOf(*stringWithComponents(usr)), u"usr");
  EXPECT_EQ(textOf(*stringWithComponents(usr, {String(), lib})), u"usr");
  EXPECT_EQ(textOf(*stringWithComponents(make(u""), {make(u"")})), u".");
  EXPECT_FALSE(stringWithComponents(String(), {lib}).has_value());
  stringWithComponents(usr)->appendString(u"!");  // a new string
  EXPECT_EQ(textOf(usr), u"usr");
}

TEST(StringConstructionBytes, DecodeExactlyWhatTheyAreGiven) {
  const std::pair<String, std::u16string> cases[] = {
      {stringWithCharacter(0), std::u16string(1, u'\0')},
      {stringWithCharacter(0xD800), u"\xD800"},
      {stringWithCString("abc", 2, NSASCIIStringEncoding), u"ab"},
      {stringWithCString("a\0b", 3, NSASCIIStringEncoding), std::u16string(u"a\0b", 3)},
      {stringWithCString("\xC3\xA9", 1, NSUTF8StringEncoding), u"<nil>"},
      {stringWithCString(nullptr, 0, NSASCIIStringEncoding), u""},
      {stringWithCString(nullptr, 1, NSASCIIStringEncoding), u"<nil>"},
      {stringWithNullTerminatedCString("\xE9\0x", NSISOLatin1StringEncoding), u"é"},
      {stringWithNullTerminatedCString("\xE9", NSASCIIStringEncoding), u"<nil>"},
      {stringWithNullTerminatedCString(nullptr, NSASCIIStringEncoding), u"<nil>"},
      {stringWithData(Bytes{0x47, 0xC3, 0xBC}, NSUTF8StringEncoding), u"Gü"},
  };
  for (const auto& [made, expected] : cases) EXPECT_EQ(textOf(made), expected);
}

INSTANTIATE_FORMS(StringConstruction);

}  // namespace
}  // namespace orvin
