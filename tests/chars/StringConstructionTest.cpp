#include "chars/StringConstruction.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "StorageForms.h"
#include "chars/TextEncodings.h"

namespace orvin {
namespace {

using test::textOf;

class StringConstruction : public test::FormTest {};

TEST_P(StringConstruction, Components) {
  const String usr = make(u"usr"), local = make(u"local"), lib = make(u"lïb");
  struct Case {
    String first;
    std::vector<String> rest;
    std::u16string expected;
  } cases[] = {
      {usr, {local, lib}, u"usr.local.lïb"}, {usr, {}, u"usr"},
      {usr, {String(), local}, u"usr"},      {usr, {local, String(), lib}, u"usr.local"},
      {make(u""), {make(u"")}, u"."},
  };
  for (const Case& c : cases) {
    std::optional<MutableString> joined;
    switch (c.rest.size()) {
      case 0:
        joined = stringWithComponents(c.first);
        break;
      case 2:
        joined = stringWithComponents(c.first, {c.rest[0], c.rest[1]});
        break;
      case 3:
        joined = stringWithComponents(c.first, {c.rest[0], c.rest[1], c.rest[2]});
        break;
      default:
        joined = stringWithComponents(c.first, {c.rest[0]});
        break;
    }
    ASSERT_TRUE(joined.has_value());
    EXPECT_EQ(textOf(*joined), c.expected);
  }
  EXPECT_FALSE(stringWithComponents(String(), {local}).has_value());
  // A new string: editing it leaves the first component alone.
  std::optional<MutableString> copy = stringWithComponents(usr);
  copy->appendString(u"!");
  EXPECT_EQ(textOf(usr), u"usr");
}

TEST(StringConstructionBytes, DecodeExactlyWhatTheyAreGiven) {
  EXPECT_EQ(textOf(stringWithCharacter(0x00E9)), u"é");
  EXPECT_EQ(textOf(stringWithCharacter(0)), std::u16string(1, u'\0'));
  EXPECT_EQ(textOf(stringWithCharacter(0xD800)), u"\xD800");

  EXPECT_EQ(textOf(stringWithCString("abc", 2, NSASCIIStringEncoding)), u"ab");
  EXPECT_EQ(textOf(stringWithCString("a\0b", 3, NSASCIIStringEncoding)),
            std::u16string(u"a\0b", 3));
  EXPECT_EQ(textOf(stringWithCString("\xC3\xA9", 1, NSUTF8StringEncoding)), u"<nil>");
  EXPECT_EQ(textOf(stringWithCString(nullptr, 0, NSASCIIStringEncoding)), u"");
  EXPECT_EQ(textOf(stringWithCString(nullptr, 1, NSASCIIStringEncoding)), u"<nil>");

  EXPECT_EQ(textOf(stringWithNullTerminatedCString("ab\0cd", NSASCIIStringEncoding)), u"ab");
  EXPECT_EQ(textOf(stringWithNullTerminatedCString("\xE9", NSASCIIStringEncoding)), u"<nil>");
  EXPECT_EQ(textOf(stringWithNullTerminatedCString("\xE9", NSISOLatin1StringEncoding)), u"é");
  EXPECT_EQ(textOf(stringWithNullTerminatedCString(nullptr, NSASCIIStringEncoding)), u"<nil>");

  const std::vector<std::uint8_t> data{0x47, 0xC3, 0xBC};
  EXPECT_EQ(textOf(stringWithData(data, NSUTF8StringEncoding)), u"Gü");
  EXPECT_EQ(textOf(stringWithData(data, NSASCIIStringEncoding)), u"<nil>");
  EXPECT_EQ(textOf(stringWithData({}, NSUTF8StringEncoding)), u"");
}

INSTANTIATE_FORMS(StringConstruction);

}  // namespace
}  // namespace orvin
