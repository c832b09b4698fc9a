#include "strings/ConfigLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StorageForms.h"

namespace orvin {
namespace {

using test::FormTest;

class ConfigLines : public FormTest {};

TEST_P(ConfigLines, KeepsTrimmedNonCommentLines) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> lines;
  };
  std::u16string longText;
  for (int i = 0; i < 40; ++i) longText += u"   # note\n  key value  \n";
  const Case cases[] = {
      {u"# comment\r\n\r\n  Name   Alpha Beta  \r\nmode fast",
       {u"Name   Alpha Beta", u"mode fast"}},
      {u"x\n x \nxy\n", {u"xy"}},
      {u"\t\u00A0key value\u3000\n", {u"key value"}},
      {u"ab\u2028cd\u0003ef\uFEFFgh\uFFFCij\fkl", {u"ab", u"cd", u"ef", u"gh", u"ij", u"kl"}},
      {u"ab\u000Bcd", {u"ab\u000Bcd"}},  // a vertical tab ends no line
      {u"", {}},
      {longText, std::vector<std::u16string>(40, u"key value")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    EXPECT_EQ(test::textsOf(configLines(make(c.text))), c.lines);
  }
  EXPECT_TRUE(configLines(String()).empty());
}

TEST_P(ConfigLines, ValueForKey) {
  struct Case {
    std::u16string line;
    const char16_t* key;
    const char16_t* value;  // nullptr: nil
  };
  const Case cases[] = {
      {u"Name   Alpha Beta", u"NAME", u"Alpha Beta"},
      {u"Name   Alpha Beta", u"nam", nullptr},
      {u"Name   ", u"Name", nullptr},
      {u"Name \t x \n", u"Name", u"x"},
      {u"Name:x", u"Name", nullptr},
      {u"Name x", u"", nullptr},
      {u"\u00C4rger gro\u00DF", u"\u00E4RGER", u"gro\u00DF"},
      {u"STRASSE x", u"stra\u00DFe", nullptr},  // no full case folding
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.line));
    const String key = c.key == nullptr ? String() : makeOther(c.key);
    const String value = configValueForKey(make(c.line), key);
    EXPECT_EQ(test::textOf(value), c.value == nullptr ? u"<nil>" : c.value);
  }
  EXPECT_TRUE(configValueForKey(String(), u"k").isNil());
}

TEST_P(ConfigLines, TypedValueForKeys) {
  const String slow = makeOther(u"slow");
  const String fast = makeOther(u"fast");
  EXPECT_EQ(typedValueForKeys(make(u"FAST"), {slow, fast}), 1u);
  EXPECT_EQ(typedValueForKeys(make(u"fas"), {slow, fast}), NSNotFound);
  EXPECT_EQ(typedValueForKeys(make(u"fast "), {slow, fast}), NSNotFound);
  // A nil entry ends the list.
  EXPECT_EQ(typedValueForKeys(make(u"fast"), {slow, String(), fast}), NSNotFound);
  EXPECT_EQ(typedValueForKeys(make(u""), {slow, u""}), 1u);
  EXPECT_EQ(typedValueForKeys(String(), {u""}), NSNotFound);
}

INSTANTIATE_FORMS(ConfigLines);

}  // namespace
}  // namespace orvin
