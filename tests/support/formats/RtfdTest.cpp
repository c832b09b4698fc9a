#include "support/formats/Rtfd.h"

#include <gtest/gtest.h>

#include <string>

#include "support/formats/DescribeRuns.h"
#include "support/formats/RtfReader.h"

namespace orvin {
namespace {

using namespace std::string_literals;

std::string u32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string header(std::uint32_t count, std::uint32_t version = 1) {
  return "OrvnRTFD" + u32(version) + u32(count);
}

std::string entry(std::string_view name, std::string_view contents) {
  return u32(static_cast<std::uint32_t>(name.size())) +
         u32(static_cast<std::uint32_t>(contents.size())) + std::string(name) +
         std::string(contents);
}

TEST(Rtfd, ContainerLayout) {
  const std::vector<RtfdEntry> entries = {{"TXT.rtf", "{\\rtf1 x}"}, {"bild.png", "\x89PNG\0"s}};
  const std::string expected =
      header(2) + entry("TXT.rtf", "{\\rtf1 x}") + entry("bild.png", "\x89PNG\0"s);
  EXPECT_EQ(flattenRTFD(entries), expected);
  EXPECT_EQ(unflattenRTFD(expected), entries);
}

TEST(Rtfd, BrokenContainersAreRejected) {
  const std::string good = header(2) + entry("TXT.rtf", "{\\rtf1 x}") + entry("a", "12");
  ASSERT_TRUE(unflattenRTFD(good));
  const std::pair<const char*, std::string> cases[] = {
      {"magic", "OrvnRTFX" + good.substr(8)},
      {"version 2", header(2, 2) + good.substr(16)},
      {"no entries", header(0)},
      {"count says more", header(3) + good.substr(16)},
      {"count says fewer", header(1) + good.substr(16)},
      {"count absurd", header(0xFFFFFFFF) + good.substr(16)},
      {"name length lies", header(1) + u32(0xFFFFFFFF) + u32(0) + "TXT.rtf"},
      {"contents length lies", header(1) + u32(7) + u32(0xFFFFFFFF) + "TXT.rtf{"},
      {"empty name", header(1) + entry("", "x")},
      {"slash in name", header(1) + entry("a/b", "x")},
      {"NUL in name", header(1) + entry("a\0b"s, "x")},
      {"dot name", header(1) + entry(".", "x")},
      {"dot dot name", header(1) + entry("..", "x")},
      {"not UTF-8", header(1) + entry("\xC3(", "x")},
      {"name too long", header(1) + entry(std::string(1025, 'n'), "x")},
      {"duplicate", header(2) + entry("a", "1") + entry("a", "2")},
      {"trailing byte", good + "!"},
  };
  for (const auto& [what, data] : cases) EXPECT_FALSE(unflattenRTFD(data)) << what;
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(unflattenRTFD(good.substr(0, n))) << "cut at " << n;
  }
}

TEST(Rtfd, FlattenRefusesWhatReadingWouldRefuse) {
  EXPECT_FALSE(flattenRTFD({}));
  EXPECT_FALSE(flattenRTFD({{"a", "1"}, {"a", "2"}}));
  EXPECT_FALSE(flattenRTFD({{"x/y", "1"}}));
  EXPECT_FALSE(flattenRTFD({{"", "1"}}));
  EXPECT_TRUE(flattenRTFD({{"Grüße.txt", ""}}));
}

TEST(Rtfd, AttachmentsRoundTrip) {
  MutableAttributedString original(AttributedString(u"Bild: "));
  original.appendAttributedString(AttributedString::withAttachment({u"bild.png", "\x89PNG\r\n"}));
  original.appendString(u" und Text: ", test::style(true));
  original.appendAttributedString(AttributedString::withAttachment({u"notiz.txt", "Grüße"}));
  ASSERT_TRUE(original.containsAttachments());
  const std::optional<std::string> data = original.RTFDFromRange({0, original.length()}, nullptr);
  ASSERT_TRUE(data);
  const std::optional<std::vector<RtfdEntry>> entries = unflattenRTFD(*data);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ((*entries)[0].name, "TXT.rtf");
  EXPECT_EQ((*entries)[1], (RtfdEntry{"bild.png", "\x89PNG\r\n"}));
  EXPECT_EQ((*entries)[2], (RtfdEntry{"notiz.txt", "Grüße"}));

  DocumentAttributes doc;
  const std::optional<AttributedString> back = AttributedString::initWithRTFD(*data, &doc);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, original);
  EXPECT_EQ(doc.documentType, String(NSRTFDTextDocumentType));

  // The text entry alone is ordinary RTF: the characters stay, the files go.
  const std::optional<AttributedString> rtfOnly = readRTF((*entries)[0].contents, nullptr);
  ASSERT_TRUE(rtfOnly);
  EXPECT_EQ(rtfOnly->string(), original.string());
  EXPECT_FALSE(rtfOnly->containsAttachments());

  // A part without attachments still makes a container, of the text alone.
  const std::optional<std::string> part = original.RTFDFromRange({0, 4}, nullptr);
  ASSERT_TRUE(part);
  EXPECT_EQ(unflattenRTFD(*part)->size(), 1u);
}

TEST(Rtfd, EntryNamesAreSafeAndUnique) {
  MutableAttributedString m;
  const std::u16string names[] = {u"a.png", u"a.png", u"x/y",   u"",       u"TXT.rtf",
                                  u"..",    u"noext", u"noext", u".hidden"};
  int n = 0;
  for (const std::u16string& name : names) {
    m.appendAttributedString(
        AttributedString::withAttachment({String(name), "data " + std::to_string(++n)}));
  }
  // One attachment on two characters is stored once.
  m.appendAttributedString(m.attributedSubstringFromRange({0, 1}));
  const std::optional<std::vector<RtfdEntry>> entries =
      unflattenRTFD(*m.RTFDFromRange({0, m.length()}, nullptr));
  ASSERT_TRUE(entries);
  std::vector<std::string> got;
  for (const RtfdEntry& e : *entries) got.push_back(e.name);
  EXPECT_EQ(got,
            (std::vector<std::string>{"TXT.rtf", "a.png", "a 2.png", "x_y", "Attachment",
                                      "TXT 2.rtf", "Attachment 2", "noext", "noext 2", ".hidden"}));
  const std::optional<AttributedString> back =
      AttributedString::initWithRTFD(*m.RTFDFromRange({0, m.length()}, nullptr), nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->length(), 10u);
  NSRange run;
  EXPECT_EQ(back->attributesAtIndex(9, &run).attachment->fileName, String(u"a.png"));
  EXPECT_EQ(back->attributesAtIndex(1, &run).attachment->fileName, String(u"a 2.png"));
}

TEST(Rtfd, ReadingNeedsTheTextEntry) {
  const std::string rtf = "{\\rtf1 a{\\*\\orvinattachment gone.png}\\u-4?}";
  EXPECT_FALSE(readRTFD(*flattenRTFD({{"other.rtf", rtf}}), nullptr));
  EXPECT_FALSE(readRTFD(*flattenRTFD({{"TXT.rtf", "not rtf"}}), nullptr));
  EXPECT_FALSE(readRTFD(rtf, nullptr));
  // A reference to an entry that is not there leaves a plain U+FFFC.
  const std::optional<AttributedString> dangling =
      readRTFD(*flattenRTFD({{"TXT.rtf", rtf}, {"other.png", "x"}}), nullptr);
  ASSERT_TRUE(dangling);
  EXPECT_EQ(dangling->string(), String(u"a\uFFFC"));
  EXPECT_FALSE(dangling->containsAttachments());
  // A reference followed by some other character attaches nothing.
  const std::optional<AttributedString> stray = readRTFD(
      *flattenRTFD({{"TXT.rtf", "{\\rtf1{\\*\\orvinattachment p}x\\u-4?}"}, {"p", "1"}}), nullptr);
  ASSERT_TRUE(stray);
  EXPECT_FALSE(stray->containsAttachments());
}

}  // namespace
}  // namespace orvin
