#include "support/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "StorageForms.h"

namespace orvin {
namespace {

using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;

Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

std::string textOf(const std::optional<Bytes>& bytes) {
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
}

PropertyList read(std::string_view text) {
  return propertyListFromData(bytesOf(text));
}

// A document around one value, as the writer frames it.
std::string document(std::string_view value) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">") +
         std::string(value) + "</plist>";
}

PropertyList nested(int depth) {
  PropertyList p = Array{};
  for (int i = 1; i < depth; ++i) p = Array{p};
  return p;
}

TEST(PropertyList, WritesThePlatformsXmlForm) {
  const PropertyList p = Dictionary{{u"b", Array{1, true}}, {u"a", u"x<y&z"}};
  EXPECT_EQ(textOf(dataFromPropertyList(p)),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n"
            "<dict>\n"
            "\t<key>a</key>\n"
            "\t<string>x&lt;y&amp;z</string>\n"
            "\t<key>b</key>\n"
            "\t<array>\n"
            "\t\t<integer>1</integer>\n"
            "\t\t<true/>\n"
            "\t</array>\n"
            "</dict>\n"
            "</plist>\n");
}

TEST(PropertyList, ScalarsWriteInTheirCanonicalText) {
  const struct {
    PropertyList value;
    const char* element;
  } cases[] = {
      {std::int64_t{-9223372036854775807 - 1}, "<integer>-9223372036854775808</integer>"},
      {0.1, "<real>0.1</real>"},
      {-HUGE_VAL, "<real>-infinity</real>"},
      {std::nan(""), "<real>nan</real>"},
      {false, "<false/>"},
      {Date::dateWithTimeIntervalSinceReferenceDate(-0.5), "<date>2000-12-31T23:59:59Z</date>"},
      {Date::dateWithTimeIntervalSince1970(-62135596800.0), "<date>0001-01-01T00:00:00Z</date>"},
      {Bytes{0, 1, 2, 3}, "<data>\nAAECAw==\n</data>"},
      {Bytes{}, "<data>\n</data>"},
      {Dictionary{}, "<dict/>"},
      {u"", "<string></string>"},
      {u"tab\there\r\x0003", "<string>tab\there&#13;&#3;</string>"},
  };
  for (const auto& c : cases) {
    const std::string text = textOf(dataFromPropertyList(c.value));
    EXPECT_NE(text.find(c.element), std::string::npos) << text;
  }
}

TEST(PropertyList, RoundTripsEveryKind) {
  Bytes big(1000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  const PropertyList cases[] = {
      u"plain",
      u"\xE9l\xE8ve \x4E2D\xD83D\xDE00 <&>\"' ]]> \x0001\x000C\r\n",
      std::int64_t{9223372036854775807},
      -42,
      1e300,
      -2.5e-300,
      HUGE_VAL,
      std::nan(""),
      true,
      Date::dateWithTimeIntervalSinceReferenceDate(123456789),
      Date::dateWithTimeIntervalSince1970(253402300799.0),
      Bytes{0xFF},
      Bytes{0xFF, 0xFE},
      big,
      Array{},
      Array{Array{}, Dictionary{}, u"", Bytes{}},
      Dictionary{{u"", 1}, {u"k\xE9y", Dictionary{{u"inner", Array{1.5, false}}}}},
  };
  for (const PropertyList& p : cases) {
    const std::optional<Bytes> data = dataFromPropertyList(p);
    ASSERT_TRUE(data) << static_cast<int>(p.kind());
    EXPECT_EQ(propertyListFromData(*data), p) << textOf(data);
  }
}

TEST(PropertyList, RefusesValuesWithoutXmlForm) {
  const PropertyList cases[] = {
      PropertyList(),
      Array{1, PropertyList()},
      Dictionary{{String(), 1}},
      Dictionary{{u"a", PropertyList()}},
      u"lone \xD800 high",
      u"lone \xDC00 low",
      u"ends high \xD800",
      Date::dateWithTimeIntervalSince1970(253402300800.0),
      Date::dateWithTimeIntervalSince1970(-62135596801.0),
      Date::dateWithTimeIntervalSinceReferenceDate(std::nan("")),
      nested(kPropertyListMaxDepth + 1),
  };
  for (const PropertyList& p : cases) {
    EXPECT_FALSE(dataFromPropertyList(p)) << textOf(dataFromPropertyList(p));
  }
}

TEST(PropertyList, ReadsWhatOtherWritersProduce) {
  const std::string text =
      "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8' ?>\r\n"
      "<!-- written elsewhere -->\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"PropertyList-1.0.dtd\" >\n"
      "<plist version=\"1.0\"><dict>\n"
      "  <key>s</key> <string>a&#x41;&#66;&quot;&apos;<![CDATA[<b>&amp;]]><!-- c --></string>\n"
      "  <key>hex</key><integer> 0x1F </integer>\n"
      "  <key>neg</key><integer>-0x10</integer>\n"
      "  <key>r</key><real>+1E3</real>\n"
      "  <key>inf</key><real>-Infinity</real>\n"
      "  <key>d</key><date>2001-01-01T00:00:01.25Z</date>\n"
      "  <key>b</key><data>\n    AAEC\n    Aw==\n  </data>\n"
      "  <key>t</key><true></true>\n"
      "  <key>e</key><string/>\n"
      "  <key>a</key><array/>\n"
      "</dict></plist>\n<!-- trailing -->\n";
  const PropertyList p = read(text);
  ASSERT_EQ(p.kind(), PropertyList::Kind::Dictionary);
  EXPECT_EQ(p.objectForKey(u"s").stringValue(), String(u"aAB\"'<b>&amp;"));
  EXPECT_EQ(p.objectForKey(u"hex").integerValue(), 31);
  EXPECT_EQ(p.objectForKey(u"neg").integerValue(), -16);
  EXPECT_EQ(p.objectForKey(u"r").doubleValue(), 1000.0);
  EXPECT_EQ(p.objectForKey(u"inf").doubleValue(), -HUGE_VAL);
  EXPECT_EQ(p.objectForKey(u"d").dateValue()->timeIntervalSinceReferenceDate(), 1.25);
  EXPECT_EQ(p.objectForKey(u"b").dataValue(), (Bytes{0, 1, 2, 3}));
  EXPECT_TRUE(p.objectForKey(u"t").boolValue());
  EXPECT_EQ(p.objectForKey(u"e"), PropertyList(u""));
  EXPECT_EQ(p.objectForKey(u"a"), PropertyList(Array{}));
  EXPECT_EQ(p.count(), 10u);
}

TEST(PropertyList, RealsBeyondRangeBecomeInfinityOrZero) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"1e999", HUGE_VAL},    {"-1e999", -HUGE_VAL}, {"0.0001e400", HUGE_VAL},
      {"12345e-400", 0.0},    {"0.00001e-320", 0.0}, {"1e99999999999999999999", HUGE_VAL},
      {"4.9e-324", 4.9e-324}, {"-0", -0.0},
  };
  for (const auto& c : cases) {
    const PropertyList p = read(document(std::string("<real>") + c.text + "</real>"));
    ASSERT_EQ(p.kind(), PropertyList::Kind::Real) << c.text;
    EXPECT_EQ(p.doubleValue(), c.value) << c.text;
    EXPECT_EQ(std::signbit(p.doubleValue()), std::signbit(c.value)) << c.text;
  }
}

TEST(PropertyList, HostileOrMalformedInputGivesNil) {
  const std::string cases[] = {
      "",
      "<plist version=\"1.0\"></plist>",
      "<plist/>",
      "<array/>",  // no plist element
      document("<string>a</string><string>b</string>"),
      document("<string>a</string>") + "<x/>",
      document("<strin>a</strin>"),
      document("<string>a</str>"),
      document("<string>a<b/></string>"),
      document("<string>&unknown;</string>"),
      document("<string>&#xD800;</string>"),
      document("<string>&#x110000;</string>"),
      document("<string>&#;</string>"),
      document("<string>&lt</string>"),
      document("<string>\x01</string>"),
      document("<string>\xC3</string>"),          // cut UTF-8
      document("<string>\xC0\xAF</string>"),      // overlong
      document("<string>\xED\xA0\x80</string>"),  // encoded surrogate
      document("<string>unterminated"),
      document("<string>a<!-- open</string>"),
      document("<string><![CDATA[open</string>"),
      "<!DOCTYPE plist [<!ENTITY a \"aaaa\">]><plist><string>&a;</string></plist>",
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><true/></plist>",
      "<plist><true/></plist><?xml version=\"1.0\"?>",
      document("<dict><key>a</key><true/><key>a</key><false/></dict>"),
      document("<dict><key>a</key></dict>"),
      document("<dict><true/></dict>"),
      document("<dict><key>a</key><key>b</key><true/></dict>"),
      document("<array><key>a</key></array>"),
      document("<integer></integer>"),
      document("<integer>1.5</integer>"),
      document("<integer>9223372036854775808</integer>"),
      document("<integer>-9223372036854775809</integer>"),
      document("<integer>0x</integer>"),
      document("<integer>--1</integer>"),
      document("<real>.</real>"),
      document("<real>1e</real>"),
      document("<real>0x10</real>"),
      document("<real>nan(1)</real>"),
      document("<true>x</true>"),
      document("<date>2001-02-29T00:00:00Z</date>"),
      document("<date>2001-01-01T24:00:00Z</date>"),
      document("<date>0000-01-01T00:00:00Z</date>"),
      document("<date>2001-01-01T00:00:00</date>"),
      document("<date>2001-01-01 00:00:00Z</date>"),
      document("<date>2001-01-01T00:00:00.Z</date>"),
      document("<data>AAE</data>"),
      document("<data>A===</data>"),
      document("<data>AA=A</data>"),
      document("<data>AA==AAAA</data>"),
      document("<data>AA*=</data>"),
      document("<string attr=oops>a</string>"),
      document("<string a=\"1\"b=\"2\">a</string>"),
  };
  for (const std::string& text : cases) {
    EXPECT_TRUE(read(text).isNil()) << text;
  }
}

TEST(PropertyList, NestingIsCappedOnRead) {
  auto deep = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<array>";
    for (int i = 0; i < depth; ++i) text += "</array>";
    return document(text);
  };
  EXPECT_EQ(read(deep(kPropertyListMaxDepth)), nested(kPropertyListMaxDepth));
  EXPECT_TRUE(read(deep(kPropertyListMaxDepth + 1)).isNil());
  EXPECT_TRUE(read(document(std::string(100000, '<'))).isNil());
  EXPECT_TRUE(dataFromPropertyList(nested(kPropertyListMaxDepth)));
}

TEST(PropertyList, WrongKindAnswersEmpty) {
  const PropertyList values[] = {
      PropertyList(), u"s", 7, 2.9, true, Date(), Bytes{1}, Array{1}, Dictionary{{u"k", 1}}};
  for (const PropertyList& p : values) {
    const auto kind = p.kind();
    using K = PropertyList::Kind;
    EXPECT_EQ(p.stringValue().isNil(), kind != K::String);
    EXPECT_EQ(p.dateValue().has_value(), kind == K::Date);
    EXPECT_EQ(p.dataValue().empty(), kind != K::Data);
    EXPECT_EQ(p.arrayValue().empty(), kind != K::Array);
    EXPECT_EQ(p.dictionaryValue().empty(), kind != K::Dictionary);
    EXPECT_EQ(p.count(), kind == K::Array || kind == K::Dictionary ? 1u : 0u);
    EXPECT_EQ(p.boolValue(), kind == K::Boolean);
    EXPECT_EQ(p.integerValue() != 0, kind == K::Integer || kind == K::Real);
    EXPECT_TRUE(p.objectAtIndex(1).isNil());
    EXPECT_TRUE(p.objectForKey(u"missing").isNil());
  }
  EXPECT_EQ(PropertyList(2.9).integerValue(), 2);
  EXPECT_EQ(PropertyList(-1e30).integerValue(), INT64_MIN);
  EXPECT_EQ(PropertyList(std::nan("")).integerValue(), 0);
  EXPECT_EQ(PropertyList(UINT64_MAX).integerValue(), INT64_MAX);
  EXPECT_TRUE(PropertyList(String()).isNil());
}

TEST(PropertyList, EqualityIsByValue) {
  EXPECT_EQ(PropertyList(1), PropertyList(1.0));
  EXPECT_NE(PropertyList(1), PropertyList(1.5));
  EXPECT_NE(PropertyList(INT64_MAX), PropertyList(9223372036854775807.0));  // 2^63 as a real
  EXPECT_EQ(PropertyList(std::nan("")), PropertyList(std::nan("")));
  EXPECT_NE(PropertyList(true), PropertyList(1));
  EXPECT_NE(PropertyList(u""), PropertyList());
  EXPECT_NE(PropertyList(Bytes{}), PropertyList(Array{}));
  EXPECT_EQ(PropertyList(Array{u"a", Dictionary{{u"x", Bytes{1}}}}),
            PropertyList(Array{u"a", Dictionary{{u"x", Bytes{1}}}}));
  EXPECT_NE(PropertyList(Array{u"a", u"b"}), PropertyList(Array{u"b", u"a"}));
  const PropertyList shared = Array{1, 2};
  const PropertyList copy = shared;  // NOLINT(performance-unnecessary-copy-initialization)
  EXPECT_EQ(copy, shared);
}

// Keys and strings are read through both storage forms.
class PropertyListForms : public test::FormTest {};

TEST_P(PropertyListForms, KeysSortAndMatchAcrossForms) {
  const Dictionary entries{
      {make(u"zeta"), 1}, {make(u"Alpha"), 2}, {make(u"\xE9t\xE9"), 3}, {make(u"alpha"), 4}};
  std::vector<std::u16string> order;
  for (const auto& [key, value] : entries) order.push_back(key.toU16String());
  EXPECT_EQ(order, (std::vector<std::u16string>{u"Alpha", u"alpha", u"zeta", u"\xE9t\xE9"}));
  const PropertyList p = entries;
  EXPECT_EQ(p.objectForKey(String(u"\xE9t\xE9")).integerValue(), 3);
  EXPECT_EQ(p.objectForKey(String::withLatin1("zeta")).integerValue(), 1);
  const std::u16string longText(300, u'\xE9');
  const PropertyList withLong = Dictionary{{make(longText), make(longText)}};
  const std::optional<Bytes> data = dataFromPropertyList(withLong);
  ASSERT_TRUE(data);
  EXPECT_EQ(propertyListFromData(*data), withLong);
}

INSTANTIATE_FORMS(PropertyListForms);

}  // namespace
}  // namespace orvin
