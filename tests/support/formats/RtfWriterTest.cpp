#include "support/formats/RtfWriter.h"

#include <gtest/gtest.h>

#include "StorageForms.h"
#include "support/formats/DescribeRuns.h"
#include "support/formats/RtfReader.h"

namespace orvin {
namespace {

using test::style;

constexpr std::string_view kHeader = "{\\rtf1\\ansi\\ansicpg1252\\uc1";

std::string whole(const AttributedString& s) {
  return writeRTF(s, NSRange{0, s.length()}, nullptr).value_or("<nil>");
}

TEST(RtfWriter, WritesExpectedBytes) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", ""},
      {u"Hallo Welt!", "Hallo Welt!"},
      {u"Grüße", "Gr\\u252\\'fc\\u223\\'dfe"},  // Latin-1 has a fallback byte
      {u"a\\{b}", "a\\\\\\{b\\}"},
      {u"a\tb\nc\r\nd\re\u2029f\u2028g\fh",
       "a\\tab b\\par\nc\\par\nd\\par\ne\\par\nf\\line g\\page h"},
      {u"a\u00A0b\u00ADc\u2011d", "a\\~b\\-c\\_d"},
      {u"€日\uFFFC", "\\u8364?\\u26085?\\u-4?"},
      {u"😀", "\\u-10179?\\u-8704?"},
      {u"\x01\x7F", "\\u1?\\u127?"},
  };
  for (const auto& [text, body] : cases) {
    EXPECT_EQ(whole(AttributedString(String(text))), std::string(kHeader) + "\n" + body + "}");
  }
}

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

TEST(RtfWriter, AttachmentsNeedANamer) {
  MutableAttributedString m(AttributedString(u"a"));
  m.appendAttributedString(AttributedString::withAttachment({u"bild.png", "PNG"}));
  EXPECT_EQ(whole(m), std::string(kHeader) + "\na\\u-4?}");
  const std::optional<std::string> named =
      writeRTF(m, {0, m.length()}, nullptr, [](const TextAttachment& a) { return a.fileName; });
  EXPECT_EQ(named, std::string(kHeader) + "\na{\\*\\orvinattachment bild.png}\\u-4?}");
}

// Every text reads back to the same characters and runs, in every style and
// from both storage forms.
class RtfRoundTrip : public test::FormTest {};

TEST_P(RtfRoundTrip, TextAndStylesSurvive) {
  const std::u16string texts[] = {
      u"plain ASCII text, 123. {braces} \\ back\\slash",
      u"Grüße ÄÖÜ ½ © ÿ Ελληνικά Русский עברית العربية 日本語 中文 한국어",
      u"😀 🇩🇪 𝄞 👍🏽",
      u"tab\there\nline\u2028sep\fpage\n\n",
      u"nbsp\u00A0soft\u00ADnb\u2011 “quotes” – —",
      u"\t123\n456\u00A0789",  // digits right after control words
      u"\x01\x1F\x7F",
      u"  two leading, trailing  ",
  };
  const TextAttributes styles[] = {
      {},
      style(true),
      style(false, true),
      style(false, false, true),
      style(true, true, true, 13.5, u"Liberation Sans"),
      style(false, false, false, 9, u"Ärial {Spezial}\\"),
      // A reader takes these fonts' bytes as pictures, so letters go as \uN.
      style(false, false, false, 0, u"Symbol"),
      style(false, false, false, 0, u"Wingdings"),
  };
  for (const std::u16string& text : texts) {
    for (const TextAttributes& a : styles) {
      const AttributedString original(make(text), a);
      const std::optional<std::string> rtf = original.RTFFromRange({0, original.length()}, nullptr);
      ASSERT_TRUE(rtf) << test::utf8(text);
      const std::optional<AttributedString> back = AttributedString::initWithRTF(*rtf, nullptr);
      ASSERT_TRUE(back) << *rtf;
      EXPECT_EQ(*back, original) << *rtf;
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
  for (const NSRange part : {NSRange{0, m.length()}, NSRange{4, 10} /* "e, fett un" */}) {
    const std::optional<AttributedString> back =
        AttributedString::initWithRTF(*m.RTFFromRange(part, nullptr), nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, m.attributedSubstringFromRange(part));
  }
}

INSTANTIATE_FORMS(RtfRoundTrip);

TEST(RtfWriter, LibreOfficeDocumentsRoundTrip) {
  for (const std::string name : test::kLibreOfficeFixtures) {
    const std::optional<AttributedString> read = readRTF(test::fixture(name + ".rtf"), nullptr);
    ASSERT_TRUE(read) << name;
    const std::optional<AttributedString> again = readRTF(whole(*read), nullptr);
    ASSERT_TRUE(again) << name;
    EXPECT_EQ(*again, *read) << name;
  }
}

}  // namespace
}  // namespace orvin
