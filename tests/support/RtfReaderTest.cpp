#include "support/RtfReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/DescribeRuns.h"

namespace orvin {
namespace {

// The plain characters of `rtf`, or u"<nil>" when it does not read.
std::u16string plain(std::string_view rtf) {
  const std::optional<AttributedString> s = readRTF(rtf, nullptr);
  return s ? s->string().toU16String() : u"<nil>";
}

struct TextCase {
  const char* name;
  std::string rtf;
  std::u16string text;
};

class RtfReaderText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfReaderText, ReadsPlainCharacters) {
  EXPECT_EQ(plain(GetParam().rtf), GetParam().text) << GetParam().rtf;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfReaderText,
    testing::Values(
        // Structure and escapes.
        TextCase{"Minimal", "{\\rtf1 Hallo}", u"Hallo"},
        TextCase{"GroupsKeepText", "{\\rtf1 a{b{c}}d}", u"abcd"},
        TextCase{"Escapes", "{\\rtf1 \\\\ \\{x\\}}", u"\\ {x}"},
        TextCase{"DelimiterSpaceConsumed", "{\\rtf1\\b  two\\b0 one}", u" twoone"},
        TextCase{"RawLineEndsIgnored", "{\\rtf1 a\r\nb\nc}", u"abc"},
        TextCase{"BackslashNewlineIsParagraph", "{\\rtf1 a\\\nb\\\r\nc}", u"a\nb\nc"},
        TextCase{"Breaks", "{\\rtf1 a\\par b\\line c\\tab d\\page e\\sect f}",
                 u"a\nb\u2028c\td\fe\nf"},
        TextCase{"TableCellsEndLines", "{\\rtf1\\trowd a\\cell b\\cell\\row c}", u"a\nb\nc"},
        TextCase{"NamedSymbols",
                 "{\\rtf1\\lquote\\rquote\\ldblquote\\rdblquote\\emdash\\endash\\bullet}",
                 u"\u2018\u2019\u201C\u201D\u2014\u2013\u2022"},
        TextCase{"SpaceSymbols", "{\\rtf1 a\\~b\\-c\\_d\\:e\\|f}", u"a\u00A0b\u00ADc\u2011def"},
        TextCase{"RawTabAndControls",
                 "{\\rtf1 a\tb\x01\x7F"
                 "c}",
                 u"a\tbc"},
        TextCase{"LongWordIgnored", "{\\rtf1 a\\abcdefghijklmnopqrstuvwxyzabcdefghij b}", u"ab"},
        TextCase{"ParameterOnKnownWord", "{\\rtf1 a\\par5 b}", u"a\nb"},
        TextCase{"HiddenTextDropped", "{\\rtf1 a{\\v hidden}b\\v c\\v0 d}", u"abd"},
        // Unicode and fallbacks.
        TextCase{"UnicodeSkipsOneFallback", "{\\rtf1 Gr\\u252?\\u223?e}", u"Grüße"},
        TextCase{"FallbackHexByte", "{\\rtf1 \\u8364\\'80!}", u"€!"},
        TextCase{"Uc0NoFallback", "{\\rtf1\\uc0 \\u8364 x}", u"€x"},
        TextCase{"Uc2TwoFallbackBytes", "{\\rtf1\\uc2 \\u26085\\'93\\'fa!}", u"日!"},
        TextCase{"FallbackIsControlWord", "{\\rtf1\\uc1 \\u8364\\bullet x}", u"€x"},
        TextCase{"FallbackEndsAtGroup", "{\\rtf1\\uc3 {\\u8364}x}", u"€x"},
        TextCase{"UcScopedToGroup", "{\\rtf1{\\uc0 \\u228}\\u228?}", u"ää"},
        TextCase{"NegativeValue", "{\\rtf1 \\u-4064?}", u"\uF020"},
        TextCase{"SurrogatePair", "{\\rtf1\\uc0 \\u55357\\uc1 \\u56832\\'3f!}", u"😀!"},
        TextCase{"SignedSurrogatePair", "{\\rtf1 \\u-10179?\\u-8704?}", u"😀"},
        TextCase{"LoneSurrogateReplaced", "{\\rtf1 a\\u55357?b\\u56832?}", u"a\uFFFDb\uFFFD"},
        TextCase{"WholeCodePoint", "{\\rtf1 \\u128512?}", u"😀"},
        TextCase{"OutOfRangeValueDropped", "{\\rtf1 a\\u-70000?\\u1114112?\\u0?b}", u"ab"},
        // Bytes in code pages.
        TextCase{"DefaultCp1252", "{\\rtf1 \\'80\\'e4\\'93x\\'94}", u"€ä“x”"},
        TextCase{"RawHighBytesCp1252", "{\\rtf1 \xe4\x80}", u"ä€"},
        TextCase{"AnsiCpg1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", u"При"},
        TextCase{"AnsiCpg1253", "{\\rtf1\\ansicpg1253 \\'e1\\'e2}", u"αβ"},
        TextCase{"AnsiCpg1255ThroughIcu", "{\\rtf1\\ansicpg1255 \\'f9\\'ec}", u"של"},
        TextCase{"UnknownCodePageIsCp1252", "{\\rtf1\\ansicpg99999 \\'e4}", u"ä"},
        TextCase{"MacRoman", "{\\rtf1\\mac \\'8a\\'a5}", u"ä•"},
        TextCase{"Pc437", "{\\rtf1\\pc \\'84\\'81}", u"äü"},
        TextCase{"UndefinedByte", "{\\rtf1\\ansicpg1253 a\\'d2b}", u"a\uFFFDb"},
        TextCase{"ShiftJisPairs", "{\\rtf1\\ansicpg932 \\'93\\'fa\\'96\\'7b}", u"日本"},
        TextCase{"ShiftJisAsciiTrailByte", "{\\rtf1\\ansicpg932 \\'83e\\'95\\\\x}", u"テ表x"},
        TextCase{"Gbk", "{\\rtf1\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}", u"中文"},
        TextCase{"FontCharsetWins",
                 "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}"
                 "\\f1 \\'cf{\\f0 \\'e4}}",
                 u"Пä"},
        TextCase{"FontCpgWins", "{\\rtf1{\\fonttbl{\\f2\\fcharset0\\cpg1253 G;}}\\f2 \\'e1}", u"α"},
        TextCase{"DefaultFontCharset",
                 "{\\rtf1\\deff0{\\fonttbl{\\f0\\fcharset238 CE;}}\\'b9\\'ea}", u"ąę"},
        // Destinations.
        TextCase{"TablesSkipped",
                 "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}{\\stylesheet{\\s0 "
                 "Normal;}}{\\info{\\title T}{\\author A}}x}",
                 u"x"},
        TextCase{"IgnorableDestinations", "{\\rtf1 a{\\*\\generator LO;}{\\*\\unknown {x}y}b}",
                 u"ab"},
        TextCase{"FieldResultOnly",
                 "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt Link}}!}", u"Link!"},
        TextCase{"FieldInstructionWithoutStar", "{\\rtf1{\\field{\\fldinst PAGE}{\\fldrslt 3}}}",
                 u"3"},
        TextCase{"PictureWithBinary", "{\\rtf1 a{\\pict\\bin4 }{\\}}b}", u"ab"},
        TextCase{"PictureWithHex", "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip 89504e47}}b}", u"ab"},
        TextCase{"HeadersAndFooters", "{\\rtf1{\\header H}{\\footer F}{\\footnote N}body}",
                 u"body"},
        TextCase{"BinOutsidePicture", "{\\rtf1 a\\bin3 xyzb}", u"ab"},
        TextCase{"StarThenTextIsHarmless", "{\\rtf1 {\\* x}\\par y}", u" x\ny"},
        // Header and ending.
        TextCase{"LeadingWhiteSpaceAndBom", "\xEF\xBB\xBF \r\n{\\rtf1 a}", u"a"},
        TextCase{"NoVersionNumber", "{\\rtf a}", u"a"}, TextCase{"Empty", "{\\rtf1}", u""},
        TextCase{"AfterDocumentIgnored", "{\\rtf1 a}b{c}", u"a"},
        TextCase{"ExtraClosingBraces", "{\\rtf1 {a}}}}b", u"a"},
        TextCase{"MissingClosingBraces", "{\\rtf1 {{{a", u"a"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, NotRtfIsNil) {
  for (std::string_view data :
       {std::string_view(""), std::string_view("Hallo"), std::string_view("{\\rt"),
        std::string_view("{rtf1 a}"), std::string_view("\\rtf1 a"), std::string_view("{\\RTF1 a}"),
        std::string_view("x{\\rtf1 a}"), std::string_view("{\0\\rtf1 a}", 10),
        std::string_view("\xFF\xFE{\0\\\0r\0t\0f\0", 12)}) {
    EXPECT_FALSE(readRTF(data, nullptr).has_value()) << data;
  }
}

// Hostile shapes: each must end, and keep what text it can.
TEST(RtfReader, HostileInput) {
  const std::string deep = "{\\rtf1 " + std::string(200000, '{') + "deep" + std::string(10, '}');
  EXPECT_EQ(plain(deep), u"deep");
  const std::string deepStyles =
      "{\\rtf1 " + std::string(1000, '{') + "\\b x" + std::string(1000, '}') + "y}";
  const std::optional<AttributedString> styled = readRTF(deepStyles, nullptr);
  ASSERT_TRUE(styled);
  EXPECT_EQ(styled->string(), String(u"xy"));
  EXPECT_EQ(plain("{\\rtf1 a\\u99999999999999999999999?b}"), u"ab");
  EXPECT_EQ(plain("{\\rtf1 {\\uc99999999999\\u8364 abc}d}"), u"€d");
  EXPECT_EQ(plain("{\\rtf1 a\\bin99999999999 b}"), u"a");
  EXPECT_EQ(plain("{\\rtf1 a\\fs99999999999 b\\f-99999999999 c}"), u"abc");
  EXPECT_EQ(plain("{\\rtf1 a\\'"), u"a");
  EXPECT_EQ(plain("{\\rtf1 a\\'4"), u"a");
  EXPECT_EQ(plain("{\\rtf1 a\\'4g}"), u"ag");
  EXPECT_EQ(plain("{\\rtf1 a\\u"), u"a");
  EXPECT_EQ(plain("{\\rtf1 a\\"), u"a");
  EXPECT_EQ(plain("{\\rtf1 a{\\*\\"), u"a");
  EXPECT_EQ(plain("{\\rtf1 a{\\*\\x{\\bin5 }}}}}}}b}"), u"ab");
  EXPECT_EQ(plain("{\\rtf1\\ansicpg932 \\'93"), u"\uFFFD");
  std::string fonts = "{\\rtf1{\\fonttbl";
  for (int i = 0; i < 20000; ++i) fonts += "\\f" + std::to_string(i) + " F;";
  EXPECT_EQ(plain(fonts + "}ok}"), u"ok");
  std::string garbage = "{\\rtf1 ";
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  EXPECT_NE(plain(garbage), u"<nil>");
}

struct StyleCase {
  const char* name;
  std::string rtf;
  const char* runs;  // as test::describe writes them
};

class RtfReaderStyles : public testing::TestWithParam<StyleCase> {};

TEST_P(RtfReaderStyles, ReadsRuns) {
  const std::optional<AttributedString> s = readRTF(GetParam().rtf, nullptr);
  ASSERT_TRUE(s);
  EXPECT_EQ(test::describe(*s), GetParam().runs) << GetParam().rtf;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfReaderStyles,
    testing::Values(StyleCase{"GroupScoped", "{\\rtf1 a{\\b b{\\i c}}d}", "a/|b/b|c/bi|d/"},
                    StyleCase{"Toggles", "{\\rtf1\\b a\\b0 b\\ul c\\ulnone d\\uldb e\\ul0 f}",
                              "a/b|b/|c/u|d/|e/u|f/"},
                    StyleCase{"SizesAndPlain", "{\\rtf1\\fs36 a\\fs b\\b\\fs20 c\\pard d\\plain e}",
                              "a/s18|b/s12|cd/bs10|e/"},
                    StyleCase{"HalfPoints", "{\\rtf1\\fs21 a}", "a/s10.5"},
                    StyleCase{"FontNames",
                              "{\\rtf1\\deff1{\\fonttbl\\f0\\fswiss Helvetica;{\\f1 Liberation "
                              "Serif{\\*\\falt Times};}}a\\f0 b\\plain c}",
                              "a/fLiberation Serif|b/fHelvetica|c/fLiberation Serif"},
                    StyleCase{"UnknownFontHasNoName", "{\\rtf1\\f7 a}", "a/"},
                    StyleCase{"EqualNeighboursMerge", "{\\rtf1{\\b a}{\\b b}\\b c}", "abc/b"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, DocumentAttributes) {
  DocumentAttributes doc;
  ASSERT_TRUE(
      readRTF("{\\rtf1\\ansi\\ansicpg1251\\paperw11906\\paperh16838\\margl1134"
              "\\margr1440\\margt720\\margb0 x}",
              &doc));
  EXPECT_EQ(doc.documentType, String(NSRTFTextDocumentType));
  EXPECT_EQ(doc.ansiCodePage, 1251u);
  EXPECT_DOUBLE_EQ(*doc.paperWidth, 595.3);
  EXPECT_DOUBLE_EQ(*doc.paperHeight, 841.9);
  EXPECT_DOUBLE_EQ(*doc.leftMargin, 56.7);
  EXPECT_DOUBLE_EQ(*doc.rightMargin, 72);
  EXPECT_DOUBLE_EQ(*doc.topMargin, 36);
  EXPECT_DOUBLE_EQ(*doc.bottomMargin, 0);

  DocumentAttributes bare;
  ASSERT_TRUE(readRTF("{\\rtf1 x}", &bare));
  EXPECT_EQ(bare.ansiCodePage, 0u);
  EXPECT_FALSE(bare.paperWidth.has_value());

  DocumentAttributes untouched;
  untouched.ansiCodePage = 7;
  EXPECT_FALSE(readRTF("plain", &untouched));
  EXPECT_EQ(untouched.ansiCodePage, 7u);
}

// --- LibreOffice's own RTF against its own plain text ---

std::string readFile(const std::string& name) {
  std::ifstream in(std::string(ORVIN_TEST_DATA_DIR) + "/rtf/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// LibreOffice's text export starts with a byte-order mark and writes every
// line end (\par and \line alike) as "\n"; we read \line as U+2028.
std::u16string normalizedLibreOfficeText(const std::string& utf8) {
  std::string_view bytes = utf8;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return String::withUtf8(bytes).toU16String();
}

std::u16string normalizedOurs(std::u16string text) {
  for (char16_t& c : text) {
    if (c == u'\u2028') c = u'\n';
  }
  return text;
}

class RtfLibreOffice : public testing::TestWithParam<const char*> {};

TEST_P(RtfLibreOffice, PlainTextMatchesLibreOffice) {
  const std::string rtf = readFile(std::string(GetParam()) + ".rtf");
  const std::string txt = readFile(std::string(GetParam()) + ".txt");
  ASSERT_FALSE(rtf.empty());
  ASSERT_FALSE(txt.empty());
  const std::optional<AttributedString> s = readRTF(rtf, nullptr);
  ASSERT_TRUE(s);
  EXPECT_EQ(normalizedOurs(s->string().toU16String()), normalizedLibreOfficeText(txt));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RtfLibreOffice,
                         testing::Values("styled", "scripts", "link-table", "notes"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

TEST(RtfLibreOffice, StyledRunsSurvive) {
  const std::optional<AttributedString> s = readRTF(readFile("styled.rtf"), nullptr);
  ASSERT_TRUE(s);
  const std::u16string text = s->string().toU16String();
  auto styleOf = [&](std::u16string_view word) {
    const std::size_t at = text.find(word);
    EXPECT_NE(at, std::u16string::npos);
    NSRange run;
    const TextAttributes a = s->attributesAtIndex(at, &run);
    EXPECT_EQ(text.substr(run.location, run.length), word);
    return a;
  };
  EXPECT_TRUE(styleOf(u"fett").bold);
  EXPECT_TRUE(styleOf(u"kursiv").italic);
  EXPECT_TRUE(styleOf(u"unterstrichen").underline);
  EXPECT_EQ(styleOf(u"groß").fontSize, 18);
  const TextAttributes both = styleOf(u"beides zugleich");
  EXPECT_TRUE(both.bold && both.italic);
  EXPECT_EQ(both.fontName, String(u"Liberation Serif"));
  EXPECT_EQ(both.fontSize, 12);
}

}  // namespace
}  // namespace orvin
