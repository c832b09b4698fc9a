#include "support/RtfWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "StorageForms.h"
#include "support/RtfReader.h"

namespace orvin {
namespace {

constexpr std::string_view kHeader = "{\\rtf1\\ansi\\ansicpg1252\\uc1";

std::string whole(const AttributedString& s) {
  return writeRTF(s, NSRange{0, s.length()}, nullptr).value_or("<nil>");
}

TextAttributes style(bool b, bool i, bool u, double size = 0, const char16_t* font = nullptr) {
  TextAttributes a;
  a.bold = b;
  a.italic = i;
  a.underline = u;
  a.fontSize = size;
  if (font != nullptr) a.fontName = String(font);
  return a;
}

struct ExactCase {
  const char* name;
  std::u16string text;
  std::string body;  // what follows the header line
};

class RtfWriterExact : public testing::TestWithParam<ExactCase> {};

TEST_P(RtfWriterExact, WritesExpectedBytes) {
  EXPECT_EQ(whole(AttributedString(String(GetParam().text))),
            std::string(kHeader) + "\n" + GetParam().body + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfWriterExact,
    testing::Values(ExactCase{"Empty", u"", ""}, ExactCase{"Ascii", u"Hallo Welt!", "Hallo Welt!"},
                    ExactCase{"Latin1Fallback", u"Grüße", "Gr\\u252\\'fc\\u223\\'dfe"},
                    ExactCase{"Escapes", u"a\\{b}", "a\\\\\\{b\\}"},
                    ExactCase{"Breaks", u"a\tb\nc\r\nd\re\u2029f\u2028g\fh",
                              "a\\tab b\\par\nc\\par\nd\\par\ne\\par\nf\\line g\\page h"},
                    ExactCase{"SpaceSymbols", u"a\u00A0b\u00ADc\u2011d", "a\\~b\\-c\\_d"},
                    ExactCase{"BeyondLatin1", u"€日\uFFFC", "\\u8364?\\u26085?\\u-4?"},
                    ExactCase{"SurrogatePair", u"😀", "\\u-10179?\\u-8704?"},
                    ExactCase{"Controls", u"\x01\x7F", "\\u1?\\u127?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfWriter, StyledRunsAndFontTable) {
  MutableAttributedString m;
  m.appendString(u"a", style(true, false, false, 14, u"Arial"));
  m.appendString(u"b", {});
  m.appendString(u" c", style(false, true, true, 0, u"Times;New"));
  m.appendString(u"d", style(false, false, false, 0, u"Arial"));
  EXPECT_EQ(whole(m), std::string(kHeader) +
                          "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 "
                          "TimesNew;}}\n{\\b\\fs28\\f0 a}b{\\i\\ul\\f1  c}{\\f0 d}}");
}

TEST(RtfWriter, PaperAndMargins) {
  DocumentAttributes doc;
  doc.paperWidth = 595.3;
  doc.paperHeight = 841.9;
  doc.leftMargin = 72;
  doc.bottomMargin = 0;
  const AttributedString s(u"x");
  EXPECT_EQ(writeRTF(s, {0, 1}, &doc),
            std::string(kHeader) + "\\paperw11906\\paperh16838\\margl1440\\margb0\nx}");
  DocumentAttributes back;
  ASSERT_TRUE(readRTF(*writeRTF(s, {0, 1}, &doc), &back));
  EXPECT_EQ(back.paperWidth, doc.paperWidth);
  EXPECT_EQ(back.leftMargin, doc.leftMargin);
  EXPECT_FALSE(back.topMargin.has_value());
}

// Every text reads back to the same characters and runs, in every style and
// from both storage forms.
struct RoundTripCase {
  const char* name;
  std::u16string text;
};

class RtfRoundTrip : public test::FormTest {};

TEST_P(RtfRoundTrip, TextAndStylesSurvive) {
  const RoundTripCase texts[] = {
      {"Ascii", u"plain ASCII text, 123."},
      {"Braces", u"{braces} \\ back\\slash"},
      {"Latin1", u"Grüße ÄÖÜ ½ © ÿ"},
      {"Scripts", u"Ελληνικά Русский עברית العربية"},
      {"Cjk", u"日本語 中文 한국어"},
      {"Astral", u"😀 🇩🇪 𝄞 👍🏽"},
      {"Breaks", u"tab\there\nline\u2028sep\fpage\n\n"},
      {"Symbols", u"nbsp\u00A0soft\u00ADnb\u2011 “quotes” – —"},
      {"DigitsAfterWords", u"\t123\n456\u00A0789"},
      {"Controls", u"\x01\x1F\x7F"},
      {"SpacesAround", u"  two leading, trailing  "},
  };
  const TextAttributes styles[] = {
      {},
      style(true, false, false),
      style(false, true, false),
      style(false, false, true),
      style(true, true, true, 13.5, u"Liberation Sans"),
      style(false, false, false, 9, u"Ärial {Spezial}\\"),
  };
  for (const RoundTripCase& c : texts) {
    for (const TextAttributes& a : styles) {
      const AttributedString original(make(c.text), a);
      const std::optional<std::string> rtf = original.RTFFromRange({0, original.length()}, nullptr);
      ASSERT_TRUE(rtf) << c.name;
      const std::optional<AttributedString> back = AttributedString::initWithRTF(*rtf, nullptr);
      ASSERT_TRUE(back) << c.name;
      EXPECT_EQ(*back, original) << c.name << "\n" << *rtf;
    }
  }
}

TEST_P(RtfRoundTrip, MixedRunsAndSubranges) {
  MutableAttributedString m;
  m.appendString(make(u"Grüße, "), {});
  m.appendString(make(u"fett"), style(true, false, false, 18));
  m.appendString(make(u" und "), style(false, false, false, 0, u"Courier"));
  m.appendString(make(u"schräg\n"), style(false, true, true, 0, u"Courier"));
  m.appendString(make(u"Ende"), {});
  const std::optional<AttributedString> back =
      AttributedString::initWithRTF(*m.RTFFromRange({0, m.length()}, nullptr), nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, m);

  const NSRange part{4, 10};  // "e, fett un"
  const std::optional<AttributedString> cut =
      AttributedString::initWithRTF(*m.RTFFromRange(part, nullptr), nullptr);
  ASSERT_TRUE(cut);
  EXPECT_EQ(*cut, m.attributedSubstringFromRange(part));
}

INSTANTIATE_FORMS(RtfRoundTrip);

std::string fixture(const char* name) {
  std::ifstream in(std::string(ORVIN_TEST_DATA_DIR) + "/rtf/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(RtfWriter, LibreOfficeDocumentsRoundTrip) {
  for (const char* name : {"styled.rtf", "scripts.rtf", "link-table.rtf", "notes.rtf"}) {
    const std::optional<AttributedString> read = readRTF(fixture(name), nullptr);
    ASSERT_TRUE(read) << name;
    const std::optional<AttributedString> again = readRTF(whole(*read), nullptr);
    ASSERT_TRUE(again) << name;
    EXPECT_EQ(*again, *read) << name;
  }
}

TEST(RtfWriter, AttachmentsNeedANamer) {
  MutableAttributedString m(AttributedString(u"a"));
  m.appendAttributedString(AttributedString::withAttachment({u"bild.png", "PNG"}));
  EXPECT_EQ(whole(m), std::string(kHeader) + "\na\\u-4?}");
  const std::optional<std::string> named =
      writeRTF(m, {0, m.length()}, nullptr, [](const TextAttachment& a) { return a.fileName; });
  EXPECT_EQ(named, std::string(kHeader) + "\na{\\*\\orvinattachment bild.png}\\u-4?}");
}

}  // namespace
}  // namespace orvin
