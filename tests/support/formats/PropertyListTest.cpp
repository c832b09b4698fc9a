#include "support/formats/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "StorageForms.h"

namespace orvin {
namespace {

using namespace std::string_literals;

using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;

std::string textOf(const std::optional<Bytes>& bytes) {
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
}

PropertyList read(std::string_view text) {
  return propertyListFromData(Bytes(text.begin(), text.end()));
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

// Every kind reads back as it was written; where given, the written form
// holds the value's canonical element.
TEST(PropertyList, WritesCanonicalTextAndRoundTrips) {
  Bytes big(1000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  const std::pair<PropertyList, const char*> cases[] = {
      {std::int64_t{-9223372036854775807 - 1}, "<integer>-9223372036854775808</integer>"},
      {std::int64_t{9223372036854775807}, nullptr},
      {0.1, "<real>0.1</real>"},
      {1e300, nullptr},
      {-HUGE_VAL, "<real>-infinity</real>"},
      {std::nan(""), "<real>nan</real>"},
      {false, "<false/>"},
      {Date::dateWithTimeIntervalSince1970(-62135596800.0), "<date>0001-01-01T00:00:00Z</date>"},
      {Date::dateWithTimeIntervalSince1970(253402300799.0), nullptr},
      {Bytes{0, 1, 2, 3}, "<data>\nAAECAw==\n</data>"},
      {Bytes{0xFF, 0xFE}, nullptr},
      {big, nullptr},
      {Bytes{}, "<data>\n</data>"},
      {Dictionary{}, "<dict/>"},
      {Array{Array{}, Dictionary{}, u"", Bytes{}}, nullptr},
      {Dictionary{{u"", 1}, {u"k\xE9y", Dictionary{{u"inner", Array{1.5, false}}}}}, nullptr},
      {u"", "<string></string>"},
      {u"tab\there\r\x0003", "<string>tab\there&#13;&#3;</string>"},
      {u"\xE9l\xE8ve \x4E2D\xD83D\xDE00 <&>\"' ]]> \x0001\x000C\r\n", nullptr},
  };
  for (const auto& [value, element] : cases) {
    const std::optional<Bytes> data = dataFromPropertyList(value);
    ASSERT_TRUE(data) << static_cast<int>(value.kind());
    EXPECT_NE(textOf(data).find(element ? element : ""), std::string::npos);
    EXPECT_EQ(propertyListFromData(*data), value) << textOf(data);
  }
  // Dates are written in whole seconds, rounded down.
  EXPECT_NE(textOf(dataFromPropertyList(Date::dateWithTimeIntervalSinceReferenceDate(-0.5)))
                .find("<date>2000-12-31T23:59:59Z</date>"),
            std::string::npos);
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
      "  <key>u</key><data>AAE</data>\n"
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
  EXPECT_EQ(p.objectForKey(u"u").dataValue(), (Bytes{0, 1}));  // padding may be left out
  EXPECT_TRUE(p.objectForKey(u"t").boolValue());
  EXPECT_EQ(p.objectForKey(u"e"), PropertyList(u""));
  EXPECT_EQ(p.objectForKey(u"a"), PropertyList(Array{}));
  EXPECT_EQ(p.count(), 11u);
}

TEST(PropertyList, RealsBeyondRangeBecomeInfinityOrZero) {
  const std::pair<const char*, double> cases[] = {
      {"1e999", HUGE_VAL},    {"-1e999", -HUGE_VAL}, {"0.0001e400", HUGE_VAL},
      {"12345e-400", 0.0},    {"0.00001e-320", 0.0}, {"1e99999999999999999999", HUGE_VAL},
      {"4.9e-324", 4.9e-324}, {"-0", -0.0},
  };
  for (const auto& [text, value] : cases) {
    const PropertyList p = read(document(std::string("<real>") + text + "</real>"));
    ASSERT_EQ(p.kind(), PropertyList::Kind::Real) << text;
    EXPECT_EQ(p.doubleValue(), value) << text;
    EXPECT_EQ(std::signbit(p.doubleValue()), std::signbit(value)) << text;
  }
}

TEST(PropertyList, HostileOrMalformedInputGivesNil) {
  // Documents: empty, no value, no plist element, two values, trailing
  // content, a document type with an internal subset, another encoding.
  for (const std::string& text :
       {std::string(), std::string("<plist version=\"1.0\"></plist>"), std::string("<array/>"),
        document("<string>a</string><string>b</string>"), document("<string>a</string>") + "<x/>",
        "<plist><true/></plist><?xml version=\"1.0\"?>"s,
        "<!DOCTYPE plist [<!ENTITY a \"aaaa\">]><plist><string>&a;</string></plist>"s,
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><true/></plist>"s}) {
    EXPECT_TRUE(read(text).isNil()) << text;
  }
  // Values, each inside a well-formed document.
  for (const char* value :
       {// Markup, references and characters.
        "<strin>a</strin>", "<string>a</str>", "<string>a<b/></string>",
        "<string>&unknown;</string>", "<string>&#xD800;</string>", "<string>&#x110000;</string>",
        "<string>&#;</string>", "<string>&lt</string>", "<string>\x01</string>",
        "<string>\xC3</string>", "<string>\xC0\xAF</string>", "<string>\xED\xA0\x80</string>",
        "<string>unterminated", "<string>a<!-- open</string>", "<string><![CDATA[open</string>",
        "<string attr=oops>a</string>", "<string a=\"1\"b=\"2\">a</string>",
        // Dictionaries and arrays.
        "<dict><key>a</key><true/><key>a</key><false/></dict>", "<dict><key>a</key></dict>",
        "<dict><true/></dict>", "<dict><key>a</key><key>b</key><true/></dict>",
        "<array><key>a</key></array>",
        // Numbers, booleans, dates and data.
        "<integer></integer>", "<integer>1.5</integer>", "<integer>9223372036854775808</integer>",
        "<integer>-9223372036854775809</integer>", "<integer>0x</integer>",
        "<integer>--1</integer>", "<real>.</real>", "<real>1e</real>", "<real>0x10</real>",
        "<real>nan(1)</real>", "<true>x</true>", "<date>2001-02-29T00:00:00Z</date>",
        "<date>2001-01-01T24:00:00Z</date>", "<date>0000-01-01T00:00:00Z</date>",
        "<date>2001-01-01T00:00:00</date>", "<date>2001-01-01 00:00:00Z</date>",
        "<date>2001-01-01T00:00:00.Z</date>", "<data>AAEC A</data>", "<data>A===</data>",
        "<data>AA=A</data>", "<data>AA==AAAA</data>", "<data>AA*=</data>"}) {
    EXPECT_TRUE(read(document(value)).isNil()) << value;
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
