#include "chars/StringFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "chars/MutableString.h"

namespace orvin {
namespace {

struct Described {
  std::string description() const { return "an object"; }
};

TEST(StringFormat, Directives) {
  const MutableString mutableText(String(u"mutable"));
  struct Case {
    const char16_t* format;
    String expected;
    String actual;
  } cases[] = {
      {u"%@ nil", u"(null) nil", stringWithFormat(u"%@ nil", {String()})},
      {u"%@ object", u"an object", stringWithFormat(u"%@", {Described{}})},
      {u"%@ mutable", u"mutable", stringWithFormat(u"%@", {mutableText})},
      {u"%C", u"é€", stringWithFormat(u"%C%C", {char16_t{0xE9}, char16_t{0x20AC}})},
      {u"ints", u"-7|42|ff|FF|17|0007",
       stringWithFormat(u"%d|%lu|%x|%X|%o|%04d", {-7, 42u, 255, 255, 15, 7})},
      {u"wide ints", u"-9223372036854775807 18446744073709551615",
       stringWithFormat(u"%qd %llu", {-9223372036854775807LL, ~0ULL})},
      {u"floats", u"2.50|1.000000|1000", stringWithFormat(u"%.2f|%f|%g", {2.5, 1.0, 1000.0})},
      {u"width", u"[  ab][ab  ][  7][7  ]",
       stringWithFormat(u"[%4@][%-4@][%3d][%-3d]", {String(u"ab"), String(u"ab"), 7, 7})},
      {u"star", u"[   5][2.0]", stringWithFormat(u"[%*d][%.*f]", {4, 5, 1, 2.0})},
      {u"%s utf8", u"grüß", stringWithFormat(u"%s", {"gr\xC3\xBC\xC3\x9F"})},
      {u"percent", u"100%", stringWithFormat(u"%d%%", {100})},
      {u"more conversions", u"1.234568e+04|0x1p+0|A|-3|1.2345E-05",
       stringWithFormat(u"%e|%a|%c|%i|%G", {12345.678, 1.0, 65, -3, 0.000012345})},
      {u"%S", u"grüß", stringWithFormat(u"%S", {static_cast<const unichar*>(u"grüß")})},
      {u"%p", u"0x1234", stringWithFormat(u"%p", {reinterpret_cast<const void*>(0x1234)})},
      {u"flags", u"+5| 5|-5|0xff|010|+2.0|  +7",
       stringWithFormat(u"%+d|% d|% d|%#x|%#o|%+.1f|%+4d", {5, 5, -5, 255, 8, 2.0, 7})},
      {u"positional", u"b a", stringWithFormat(u"%2$@ %1$@", {String(u"a"), String(u"b")})},
      {u"missing argument", u"x= y=", stringWithFormat(u"x=%@ y=%d", {})},
      {u"unknown directive", u"%k %", stringWithFormat(u"%k %", {})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.actual.toU16String(), c.expected.toU16String()) << String(c.format).toUtf8();
  }
  EXPECT_TRUE(stringWithFormat(String(), {1}).isNil());
}

TEST(StringFormat, HugeWidthIsNotAnOverflow) {
  const String s = stringWithFormat(u"%99999999d", {1});
  EXPECT_EQ(s.length(), 100000u);
}

}  // namespace
}  // namespace orvin
