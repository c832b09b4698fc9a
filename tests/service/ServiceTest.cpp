// The pasteboard text exchange of Service: which entry a read takes, what a
// write declares, the Mail case, and the line-wise read.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "service/Service.h"
#include "service/platform/Workspace.h"

namespace wendlock {
namespace {

using orvin::AttributedString;
using orvin::String;

orvin::TextAttributes bold() {
  orvin::TextAttributes a;
  a.bold = true;
  return a;
}

constexpr const char* kRtf = "{\\rtf1\\ansi {\\b Gr\\'fc\\'dfe}\\par zwei}";
constexpr const char* kRichText = "Grüße\nzwei";

std::string rtfdOf(const char* text) {
  return *AttributedString(String::withUtf8(text), bold())
              .RTFDFromRange(orvin::NSRange{0, std::char_traits<char>::length(text)}, nullptr);
}

using testkit::pasteboardWith;

TEST(ServiceRead, PriorityAndFallbacks) {
  using orvin::NSRTFDPboardType, orvin::NSRTFPboardType, orvin::NSStringPboardType;
  struct Case {
    const char* what;
    testkit::Entries entries;
    const char* text;        // nullptr: no text
    const char16_t* source;  // the document type of a rich read; nullptr: plain
  };
  const Case cases[] = {
      {"RTFD first",
       {{NSRTFDPboardType, rtfdOf("from rtfd")},
        {NSRTFPboardType, kRtf},
        {NSStringPboardType, "plain"}},
       "from rtfd",
       orvin::NSRTFDTextDocumentType},
      {"unreadable RTFD skips RTF",
       {{NSRTFDPboardType, "garbage"}, {NSRTFPboardType, kRtf}, {NSStringPboardType, "plain"}},
       "plain",
       nullptr},
      {"RTFD without data uses RTF",
       {{NSRTFDPboardType, std::nullopt}, {NSRTFPboardType, kRtf}, {NSStringPboardType, "plain"}},
       kRichText,
       orvin::NSRTFTextDocumentType},
      {"RTF over the string",
       {{NSStringPboardType, "plain"}, {NSRTFPboardType, kRtf}},
       kRichText,
       orvin::NSRTFTextDocumentType},
      {"unreadable RTF",
       {{NSRTFPboardType, "garbage"}, {NSStringPboardType, "plain"}},
       "plain",
       nullptr},
      {"RTF without data",
       {{NSRTFPboardType, std::nullopt}, {NSStringPboardType, "plain"}},
       "plain",
       nullptr},
      {"string only", {{NSStringPboardType, "plain"}}, "plain", nullptr},
      {"string without data", {{NSStringPboardType, std::nullopt}}, nullptr, nullptr},
      {"string that is not UTF-8", {{NSStringPboardType, "\xff\xfe"}}, nullptr, nullptr},
      {"unreadable RTFD alone", {{NSRTFDPboardType, "garbage"}}, nullptr, nullptr},
      {"no text type", {{orvin::NSTIFFPboardType, "MM"}}, nullptr, nullptr},
      {"nothing", {}, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    for (const bool attributed : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.what << (attributed ? ", attributed" : ", plain"));
      const auto pb = pasteboardWith(c.entries);
      Service service;
      std::optional<orvin::DocumentAttributes> document = orvin::DocumentAttributes{};
      document->paperWidth = 1;
      const Text text = service.getStringOfPboard(*pb, attributed, &document);
      EXPECT_TRUE(service.hasPerformedService());
      if (c.text == nullptr) {
        EXPECT_TRUE(isNoText(text));
      } else {
        EXPECT_EQ(plainString(text).toUtf8(), c.text);
      }
      EXPECT_EQ(std::holds_alternative<AttributedString>(text), attributed && c.source != nullptr);
      ASSERT_EQ(document.has_value(), c.source != nullptr);
      if (c.source != nullptr) {
        EXPECT_EQ(document->documentType, String(c.source));
        EXPECT_FALSE(document->paperWidth.has_value());
      }

      const MutableText copy = Service().getMutableStringOfPboard(*pb);
      EXPECT_EQ(copy.index(), c.text == nullptr ? 0u : c.source == nullptr ? 1u : 2u);
    }
  }
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Service::mutableCopyOfPboardString(String())));
}

TEST(ServiceWrite, DeclaresExactlyOneType) {
  orvin::MutableAttributedString withAttachment(AttributedString(u"see "));
  withAttachment.appendAttributedString(AttributedString::withAttachment({u"a.txt", "abc"}));
  struct Case {
    const char* what;
    Text text;
    std::u16string_view type;  // empty: the pasteboard is left as it was
  };
  const Case cases[] = {
      {"attachment", Text(withAttachment), orvin::NSRTFDPboardType},
      {"rich", Text(AttributedString(u"bold", bold())), orvin::NSRTFPboardType},
      {"plain", Text(String(u"plain")), orvin::NSStringPboardType},
      {"nil string", Text(String()), {}},
      {"no text", Text(), {}},
  };
  for (const Case& c : cases) {
    for (const bool marking : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.what << (marking ? " writeString" : " _writeString"));
      const auto pb =
          pasteboardWith({{orvin::NSStringPboardType, "old"}, {orvin::NSTIFFPboardType, "MM"}});
      Service service;
      marking ? service.writeString(c.text, *pb) : service._writeString(c.text, *pb);
      EXPECT_EQ(service.hasPerformedService(), marking);
      if (c.type.empty()) {
        EXPECT_EQ(pb->types().size(), 2u);
        EXPECT_EQ(pb->stringForType(String(orvin::NSStringPboardType)), String(u"old"));
        continue;
      }
      ASSERT_EQ(pb->types(), std::vector<String>{String(c.type)});
      // What was written reads back as what was given.
      Service reader;
      const Text back = reader.getStringOfPboard(*pb, true);
      EXPECT_EQ(plainString(back), plainString(c.text));
      if (const auto* rich = std::get_if<AttributedString>(&c.text)) {
        ASSERT_TRUE(std::holds_alternative<AttributedString>(back));
        EXPECT_EQ(std::get<AttributedString>(back), *rich);
      }
    }
  }
}

TEST(ServiceWrite, MailAlsoGetsTheGeneralPasteboard) {
  std::vector<std::string> log;
  orvin::Pasteboard::setGeneralPasteboardFactory([&] {
    return std::make_shared<testkit::RecordingPasteboard>(String(orvin::NSGeneralPboard), &log);
  });
  const std::string general = String(orvin::NSGeneralPboard).toUtf8();
  struct Case {
    const char16_t* active;  // nullptr: the display names none
    bool toGeneral;
    std::vector<std::string> declared;
  };
  const Case cases[] = {
      {u"Mail", false, {general + " declare", "Request declare"}},
      {u"Mail", true, {general + " declare"}},
      {u"mail", false, {"Request declare"}},
      {u"TextEdit", false, {"Request declare"}},
      {nullptr, false, {"Request declare"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.active == nullptr ? "none" : String(c.active).toUtf8());
    testhooks::setActiveApplicationName(c.active == nullptr ? String() : String(c.active));
    testkit::RecordingPasteboard request(String(u"Request"), &log);
    log.clear();
    Service service;
    service.writeString(String(u"result"),
                        c.toGeneral ? *orvin::Pasteboard::generalPasteboard() : request);
    EXPECT_EQ(log, c.declared);
    EXPECT_EQ(
        orvin::Pasteboard::generalPasteboard()->stringForType(String(orvin::NSStringPboardType)),
        c.declared.front().starts_with("Request") ? String() : String(u"result"));
    orvin::Pasteboard::generalPasteboard()->declareTypes({}, nullptr);
  }
  testhooks::setActiveApplicationName(String());
  orvin::Pasteboard::setGeneralPasteboardFactory({});
}

TEST(ServiceLines, LinesAndAnEmptyTextOfTheSameKind) {
  struct Case {
    std::shared_ptr<orvin::InMemoryPasteboard> pb;
    std::vector<std::string> lines;  // empty: no lines (nullopt)
    std::size_t kind;                // index in MutableText
  };
  const Case cases[] = {
      {pasteboardWith({{orvin::NSStringPboardType, "a\nb"}}), {"a\n", "b"}, 1},
      {pasteboardWith({{orvin::NSRTFPboardType, kRtf}}), {"Grüße\n", "zwei"}, 2},
      {pasteboardWith({{orvin::NSTIFFPboardType, "MM"}}), {}, 0},
  };
  for (const Case& c : cases) {
    Service service;
    std::optional<std::vector<Text>> lines = std::vector<Text>{Text(String(u"stale"))};
    const MutableText empty = service.getEmptyMutableStringAndLines(&lines, *c.pb);
    EXPECT_TRUE(service.hasPerformedService());
    ASSERT_EQ(empty.index(), c.kind);
    ASSERT_EQ(lines.has_value(), c.kind != 0);
    if (c.kind == 0) continue;
    std::vector<std::string> got;
    for (const Text& line : *lines) {
      EXPECT_EQ(line.index(), c.kind);
      got.push_back(plainString(line).toUtf8());
    }
    EXPECT_EQ(got, c.lines);
    if (const auto* rich = std::get_if<orvin::MutableAttributedString>(&empty)) {
      EXPECT_EQ(rich->length(), 0u);
      // Each rich line keeps its styles: the first is bold.
      EXPECT_TRUE(std::get<AttributedString>(lines->front()).attributesAtIndex(0, nullptr).bold);
    } else {
      EXPECT_EQ(std::get<orvin::MutableString>(empty).length(), 0u);
    }
  }
}

}  // namespace
}  // namespace wendlock
