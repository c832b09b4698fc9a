#include "support/formats/RtfReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "StorageForms.h"
#include "support/formats/DescribeRuns.h"

namespace orvin {
namespace {

using test::describe;
using test::fixture;

// The plain characters of `rtf`, or u"<nil>" when it does not read.
std::u16string plain(std::string_view rtf) {
  const std::optional<AttributedString> s = readRTF(rtf, nullptr);
  return s ? s->string().toU16String() : u"<nil>";
}

TEST(RtfReader, ReadsPlainCharacters) {
  const struct {
    std::string rtf;
    std::u16string text;
  } cases[] = {
      // Structure and escapes; the space after a control word is its delimiter.
      {"{\\rtf1 a{b{c}}d}", u"abcd"},
      {"{\\rtf1 \\\\ \\{x\\}}", u"\\ {x}"},
      {"{\\rtf1\\b  two\\b0 one}", u" twoone"},
      {"{\\rtf1 a\r\nb\nc}", u"abc"},          // raw line ends are ignored
      {"{\\rtf1 a\\\nb\\\r\nc}", u"a\nb\nc"},  // backslash-newline is \par
      {"{\\rtf1 a\\par b\\line c\\tab d\\page e\\sect f}", u"a\nb\u2028c\td\fe\nf"},
      {"{\\rtf1\\trowd a\\cell b\\cell\\row c}", u"a\nb\nc"},
      {"{\\rtf1\\lquote\\rquote\\ldblquote\\rdblquote\\emdash\\endash\\bullet}",
       u"\u2018\u2019\u201C\u201D\u2014\u2013\u2022"},
      {"{\\rtf1 a\\~b\\-c\\_d\\:e\\|f}", u"a\u00A0b\u00ADc\u2011def"},
      {"{\\rtf1 a\tb\x01\x7F!}", u"a\tb!"},  // raw tab kept, controls dropped
      {"{\\rtf1 a\\abcdefghijklmnopqrstuvwxyzabcdefghij b}", u"ab"},  // too long: ignored
      {"{\\rtf1 a\\par5 b}", u"a\nb"},
      {"{\\rtf1 a{\\v hidden}b\\v c\\v0 d}", u"abd"},
      // Unicode and its fallbacks.
      {"{\\rtf1 Gr\\u252?\\u223?e}", u"Grüße"},
      {"{\\rtf1 \\u8364\\'80!}", u"€!"},
      {"{\\rtf1\\uc0 \\u8364 x}", u"€x"},
      {"{\\rtf1\\uc2 \\u26085\\'93\\'fa!}", u"日!"},
      {"{\\rtf1\\uc1 \\u8364\\bullet x}", u"€x"},  // the fallback is a control word
      {"{\\rtf1\\uc3 {\\u8364}x}", u"€x"},         // the fallback ends with the group
      {"{\\rtf1{\\uc0 \\u228}\\u228?}", u"ää"},    // \uc is scoped to its group
      {"{\\rtf1 \\u-3913?}", u"\u2022"},           // Symbol's twin of its bullet
      {"{\\rtf1\\uc0 \\u55357\\uc1 \\u56832\\'3f!}", u"😀!"},
      {"{\\rtf1 \\u-10179?\\u-8704?}", u"😀"},
      {"{\\rtf1 a\\u55357?b\\u56832?}", u"a\uFFFDb\uFFFD"},  // lone surrogates
      {"{\\rtf1 \\u128512?}", u"😀"},
      {"{\\rtf1 a\\u-70000?\\u1114112?\\u0?b}", u"ab"},  // out of range: dropped
      // Bytes in code pages: cp1252 by default, tables, ICU, font charsets.
      {"{\\rtf1 \\'80\\'e4\\'93x\\'94}", u"€ä“x”"},
      {"{\\rtf1 \xe4\x80}", u"ä€"},
      {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", u"При"},
      {"{\\rtf1\\ansicpg1255 \\'f9\\'ec}", u"של"},
      {"{\\rtf1\\ansicpg99999 \\'e4}", u"ä"},
      {"{\\rtf1\\mac \\'8a\\'a5}", u"ä•"},
      {"{\\rtf1\\pc \\'84\\'81}", u"äü"},
      {"{\\rtf1\\ansicpg1253 a\\'d2b}", u"a\uFFFDb"},  // unassigned
      {"{\\rtf1\\ansicpg932 \\'93\\'fa\\'96\\'7b}", u"日本"},
      {"{\\rtf1\\ansicpg932 \\'83e\\'95\\\\x}", u"テ表x"},  // ASCII trail bytes
      {"{\\rtf1\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}", u"中文"},
      {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}\\f1 \\'cf{\\f0 \\'e4}}",
       u"Пä"},
      {"{\\rtf1{\\fonttbl{\\f2\\fcharset0\\cpg1253 G;}}\\f2 \\'e1}", u"α"},
      {"{\\rtf1\\deff0{\\fonttbl{\\f0\\fcharset238 CE;}}\\'b9\\'ea}", u"ąę"},
      // Destinations.
      {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}{\\stylesheet{\\s0 Normal;}}"
       "{\\info{\\title T}{\\author A}}{\\header H}{\\footer F}{\\footnote N}x}",
       u"x"},
      {"{\\rtf1 a{\\*\\generator LO;}{\\*\\unknown {x}y}b}", u"ab"},
      {"{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt Link}}"
       "{\\field{\\fldinst PAGE}{\\fldrslt 3}}!}",
       u"Link3!"},
      {"{\\rtf1 a{\\pict\\bin4 }{\\}}b}", u"ab"},
      {"{\\rtf1 a{\\*\\shppict{\\pict\\pngblip 89504e47}}b}", u"ab"},
      {"{\\rtf1 a\\bin3 xyzb}", u"ab"},
      {"{\\rtf1 {\\* x}\\par y}", u" x\ny"},  // a star before text is harmless
      // Header and ending.
      {"\xEF\xBB\xBF \r\n{\\rtf1 a}", u"a"},
      {"{\\rtf a}", u"a"},
      {"{\\rtf1}", u""},
      {"{\\rtf1 a}b{c}", u"a"},
      {"{\\rtf1 {a}}}}b", u"a"},
      {"{\\rtf1 {{{a", u"a"},
  };
  for (const auto& c : cases) EXPECT_EQ(plain(c.rtf), c.text) << c.rtf;
}

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
  EXPECT_EQ(plain("{\\rtf1 " + std::string(1000, '{') + "\\b x" + std::string(1000, '}') + "y}"),
            u"xy");
  std::string fonts = "{\\rtf1{\\fonttbl";
  for (int i = 0; i < 20000; ++i) fonts += "\\f" + std::to_string(i) + " F;";
  EXPECT_EQ(plain(fonts + "}ok}"), u"ok");
  std::string garbage = "{\\rtf1 ";
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  EXPECT_NE(plain(garbage), u"<nil>");
  const std::pair<const char*, std::u16string> cases[] = {
      {"{\\rtf1 a\\u99999999999999999999999?b}", u"ab"},
      {"{\\rtf1 {\\uc99999999999\\u8364 abc}d}", u"€d"},
      {"{\\rtf1 a\\bin99999999999 b}", u"a"},
      {"{\\rtf1 a\\fs99999999999 b\\f-99999999999 c}", u"abc"},
      {"{\\rtf1 a\\'4g}", u"ag"},
      {"{\\rtf1 a{\\*\\x{\\bin5 }}}}}}}b}", u"ab"},
      {"{\\rtf1\\ansicpg932 \\'93", u"\uFFFD"},
  };
  for (const auto& [rtf, text] : cases) EXPECT_EQ(plain(rtf), text) << rtf;
  // Cut inside a control: the text before it stays.
  for (const char* rtf :
       {"{\\rtf1 a\\'", "{\\rtf1 a\\'4", "{\\rtf1 a\\u", "{\\rtf1 a\\", "{\\rtf1 a{\\*\\"}) {
    EXPECT_EQ(plain(rtf), u"a") << rtf;
  }
}

TEST(RtfReader, ReadsRuns) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\\rtf1 a{\\b b{\\i c}}d}", "a/|b/b|c/bi|d/"},
      {"{\\rtf1\\b a\\b0 b\\ul c\\ulnone d\\uldb e\\ul0 f}", "a/b|b/|c/u|d/|e/u|f/"},
      {"{\\rtf1\\fs36 a\\fs b\\b\\fs20 c\\pard d\\plain e}", "a/s18|b/s12|cd/bs10|e/"},
      {"{\\rtf1\\fs21 a}", "a/s10.5"},
      {"{\\rtf1\\deff1{\\fonttbl\\f0\\fswiss Helvetica;{\\f1 Liberation Serif{\\*\\falt Times};}}"
       "a\\f0 b\\plain c}",
       "a/fLiberation Serif|b/fHelvetica|c/fLiberation Serif"},
      {"{\\rtf1\\f7 a}", "a/"},                  // an unknown font has no name
      {"{\\rtf1{\\b a}{\\b b}\\b c}", "abc/b"},  // equal neighbours merge
  };
  for (const auto& [rtf, runs] : cases) {
    const std::optional<AttributedString> s = readRTF(rtf, nullptr);
    ASSERT_TRUE(s) << rtf;
    EXPECT_EQ(describe(*s), runs) << rtf;
  }
}

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

// What word processors show where their RTF says it in a roundabout way.
TEST(RtfReader, ReadsWhatApplicationsShow) {
  const std::string fonts =
      "{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}{\\f2\\fnil Wingdings;}"
      "{\\f3\\fcharset128 MS Mincho;}{\\f4\\fcharset130 Gulim;}{\\f5\\fcharset2 Pi;}}";
  const struct {
    std::string rtf;
    std::u16string text;
  } cases[] = {
      // Field results after \*; a field without one shows what its instruction does.
      {"{\\field{\\*\\fldinst {HYPERLINK \"http://example.org\"}}{\\*\\fldrslt {Verweistext}}}",
       u"Verweistext"},
      {"Feld: {\\field{\\*\\fldinst MACROBUTTON  None hier tippen}} fertig.",
       u"Feld: hier tippen fertig."},
      {"{\\field{\\*\\fldinst { EQ \\\\* jc3 \\\\o\\\\al(\\\\s\\\\up 11(kana),\\u28450?\\u23383?)}}"
       "{\\fldrslt {}}}",
       u"漢字"},
      {"{\\field{\\*\\fldinst MACROBUTTON x prompt}{\\fldrslt shown}}", u"shown"},
      {"{\\field{\\*\\fldinst PAGE}}|", u"|"},
      // \upr: the Unicode twin, not its ANSI text.
      {"Vor {\\upr{ANSI \\'e4}{\\*\\ud{UNI \\u228?}}} nach", u"Vor UNI ä nach"},
      // Symbol fonts: bytes, letters and private-use twins.
      {"{\\listtext\\f1 \\'b7\\tab}Punkt", u"•\tPunkt"},
      {"{\\f2 \\'a7 \\u61607? B}|{\\f1 abg}", u"▪ ▪ 👌|αβγ"},
      {"{\\f5 \\'b7}\\u61623?\\u61607?{\\listtext\\pard\\plain \\u61607?}", u"••♣•"},
      {"{\\f1 \\u945?\\u97?}", u"αa"},  // Unicode stays Unicode
      // Footnote and endnote marks, numbered as the document says.
      {"Satz{\\super \\chftn}{\\*\\footnote {\\super \\chftn} Text} weiter.", u"Satz1 weiter."},
      {"\\aftnnrlc a\\chftn{\\*\\footnote\\ftnalt x}b\\chftn{\\*\\footnote\\ftnalt y}"
       "c\\chftn{\\*\\footnote z}",
       u"aibiic1"},
      {"\\ftnnauc\\ftnstart26 a\\chftn{\\*\\footnote x}b\\chftn{\\*\\footnote y}", u"aZbAA"},
      {"\\ftnnchi\\ftnstart16 a\\chftn\\chftn",
       u"a\u00A7\u00A7\u00A7\u00A7"
       u"17"},
      // Double-byte runs under \dbch take the associated font's code page.
      {"\\f0{\\dbch\\af3 \\'93\\'fa\\'96\\'7b\\'c4}\\'c4", u"日本ÄÄ"},
      // Johab has no converter: U+FFFD, not wrong letters.
      {"\\f4 a\\'88\\'61b\\'d9\\'a1", u"a\uFFFDb\uFFFD"},
  };
  for (const auto& c : cases) {
    const std::string rtf = "{\\rtf1" + fonts + c.rtf + "}";
    EXPECT_EQ(plain(rtf), c.text) << c.rtf;
    EXPECT_EQ(readRTFCharacters(rtf, nullptr), String(c.text)) << c.rtf;
  }
}

// Past any real document's nesting, every group still keeps its own state.
TEST(RtfReader, DeepGroupsKeepTheirState) {
  for (const std::size_t depth : {255u, 256u, 257u, 5000u}) {
    const std::string open(depth, '{'), close(depth, '}');
    const std::optional<AttributedString> s = readRTF(
        "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}" + open + "{\\v hid}shown{\\f1\\b x}y" + close + "z}",
        nullptr);
    ASSERT_TRUE(s) << depth;
    EXPECT_EQ(describe(*s), "shown/|x/bfB|yz/") << depth;
  }
}

// LibreOffice's and AbiWord's own RTF against their own plain text. Their
// text export writes every line end (\par and \line alike) as "\n", as our
// plain characters do; attributed text keeps \line as U+2028.
TEST(RtfReader, PlainTextMatchesTheWritingProgram) {
  struct Case {
    std::string name;
    std::u16string_view from, to;  // where the program's plain text says more than its RTF
  };
  std::vector<Case> cases;
  for (const std::string name : test::kLibreOfficeFixtures) cases.push_back({name, u"", u""});
  // The placeholder's angle brackets are LibreOffice's decoration, not in its RTF.
  cases.push_back({"marks", u"<hier tippen>", u"hier tippen"});
  for (const Case& c : cases) {
    const std::string txt = fixture(c.name + ".txt");
    ASSERT_TRUE(txt.starts_with("\xEF\xBB\xBF")) << c.name;
    std::u16string expected = String::withUtf8(std::string_view(txt).substr(3)).toU16String();
    if (!c.from.empty()) expected.replace(expected.find(c.from), c.from.size(), c.to);
    const std::string rtf = fixture(c.name + ".rtf");
    EXPECT_EQ(readRTFCharacters(rtf, nullptr).toU16String(), expected) << c.name;
    const std::optional<AttributedString> s = readRTF(rtf, nullptr);
    ASSERT_TRUE(s) << c.name;
    std::u16string attributed = s->string().toU16String();
    std::replace(attributed.begin(), attributed.end(), u'\u2028', u'\n');
    EXPECT_EQ(attributed, expected) << c.name;
  }
  // LibreOffice's list markers are private-use twins; its own text shows
  // bullets, which we give too. AbiWord writes a link's result after \*.
  EXPECT_EQ(readRTFCharacters(fixture("bullets.rtf"), nullptr).toU16String(),
            u" •\tErster Punkt\n •\tZweiter Punkt\n •\tSymbol-Punkt\n •\tWingdings-Punkt\n"
            u"Griechisch: αβγ Ende.\n");
  EXPECT_EQ(readRTFCharacters(fixture("abiword-link.rtf"), nullptr).toU16String().substr(0, 29),
            u"Siehe Verweistext und weiter.");
  // AbiWord keeps Symbol and Wingdings by name only (\fcharset0); its own
  // text leaves their bytes as Latin letters ("abg §").
  EXPECT_EQ(readRTFCharacters(fixture("abiword-symbol.rtf"), nullptr),
            String(u"Griechisch: αβγ und ▪ Ende.\n"));
}

TEST(RtfReader, LibreOfficeStylesSurvive) {
  const std::optional<AttributedString> s = readRTF(fixture("styled.rtf"), nullptr);
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
  EXPECT_EQ(styleOf(u"beides zugleich"), test::style(true, true, false, 12, u"Liberation Serif"));
}

}  // namespace
}  // namespace orvin
