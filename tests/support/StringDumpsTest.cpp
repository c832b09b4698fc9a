#include "support/StringDumps.h"

#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"

namespace orvin {
namespace {

using test::FormTest;

// The message of the one log line a call writes, without its stamp.
template <class Call>
std::string loggedMessage(Call&& call) {
  testing::internal::CaptureStderr();
  call();
  const std::string line = testing::internal::GetCapturedStderr();
  if (line.empty()) return "<nothing>";
  const std::size_t start = line.find("] ");
  EXPECT_NE(start, std::string::npos);
  EXPECT_EQ(line.back(), '\n');
  return line.substr(start + 2, line.size() - start - 3);
}

class StringDumps : public FormTest {};

TEST_P(StringDumps, TableRows) {
  struct Case {
    std::u16string text;
    std::string logged;
  };
  const Case cases[] = {
      {u"Hello", "Hello       : 0048 0065 006c 006c 006f \n"},
      {u"abcdefghijkl", "abcdefghijkl: " + std::string("0061 0062 0063 0064 0065 0066 ") +
                            "0067 0068 0069 006a 006b 006c \n"},
      {u"abcdefghijklm",
       "\nabcdefghijkl: 0061 0062 0063 0064 0065 0066 0067 0068 0069 006a "
       "006b 006c \nm           : 006d \n\n"},
      // Controls, separators and lone surrogates show as "."; the hex is true.
      {u"a\x1B\r\n\x7F\x85\u2028\u2029\xE9",
       "a.......\xC3\xA9   : 0061 001b 000d 000a 007f 0085 "
       "2028 2029 00e9 \n"},
      {u"\U0001F600\xD800x\xDC00", "\xF0\x9F\x98\x80.x.       : d83d de00 d800 0078 dc00 \n"},
      // A pair cut by the row break shows as two dots.
      {u"abcdefghijk\U0001F600",
       "\nabcdefghijk.: 0061 0062 0063 0064 0065 0066 0067 0068 0069 "
       "006a 006b d83d \n.           : de00 \n\n"},
      {u"", "<nothing>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    const String s = make(c.text);
    EXPECT_EQ(loggedMessage([&] { dump(s); }), c.logged);
  }
  EXPECT_EQ(loggedMessage([] { dump(String()); }), "<nothing>");
}

TEST_P(StringDumps, ArrayInitializer) {
  EXPECT_EQ(loggedMessage([&] { dumpAsArray(make(u"123456789")); }),
            "\n123456789:\nunichar string[] = {\n\t0x0031, 0x0032, 0x0033, 0x0034, 0x0035, "
            "0x0036, 0x0037, 0x0038,\n\t0x0039\n};\n ");
  EXPECT_EQ(loggedMessage([&] { dumpAsArray(make(u"12345678")); }),
            "\n12345678:\nunichar string[] = {\n\t0x0031, 0x0032, 0x0033, 0x0034, 0x0035, "
            "0x0036, 0x0037, 0x0038\n};\n ");
  EXPECT_EQ(loggedMessage([&] { dumpAsArray(make(u"")); }), "<nothing>");
}

INSTANTIATE_FORMS(StringDumps);

}  // namespace
}  // namespace orvin
