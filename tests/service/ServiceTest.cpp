// The pasteboard text exchange of Service: which entry a read takes (also
// line by line), what a write declares, and the Mail case.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include "ServiceTestSupport.h"
#include "service/Service.h"
#include "service/platform/Workspace.h"

namespace wendlock {
namespace {

using orvin::AttributedString;
using orvin::String;

const orvin::TextAttributes kBold = [] {
  orvin::TextAttributes a;
  a.bold = true;
  return a;
}();

constexpr const char* kRtf = "{\\rtf1\\ansi {\\b Gr\\'fc\\'dfe}\\par zwei}";
constexpr const char* kRichText = "Grüße\nzwei";

using testkit::pasteboardWith;

// The text sent has a line feed where the application shows a soft line
// break; the attributed text keeps U+2028.
TEST(ServiceRead, SoftLineBreaksAreLineFeedsInPlainText) {
  const std::string rtfd =
      *AttributedString(u"a\u2028b").RTFDFromRange(orvin::NSRange{0, 3}, nullptr);
  for (const auto& [type, data] :
       {std::pair{orvin::NSRTFPboardType, std::string("{\\rtf1 a\\line b}")},
        std::pair{orvin::NSRTFDPboardType, rtfd}}) {
    const auto pb = pasteboardWith({{type, data}});
    EXPECT_EQ(plainString(Service().getStringOfPboard(*pb, false)), String(u"a\nb"));
    EXPECT_EQ(plainString(Service().getStringOfPboard(*pb, true)), String(u"a\u2028b"));
  }
}

TEST(ServiceRead, PriorityAndFallbacks) {
  const std::u16string_view D = orvin::NSRTFDPboardType, R = orvin::NSRTFPboardType,
                            S = orvin::NSStringPboardType;
  const std::string rtfd =
      *AttributedString(u"from rtfd", kBold).RTFDFromRange(orvin::NSRange{0, 9}, nullptr);
  struct Case {
    const char* what;
    testkit::Entries entries;
    const char* text;  // nullptr: no text
    char source;       // the rich entry read: 'D' RTFD, 'R' RTF; 0: the plain string
  };
  const Case cases[] = {
      {"RTFD first", {{D, rtfd}, {R, kRtf}, {S, "plain"}}, "from rtfd", 'D'},
      {"unreadable RTFD skips RTF", {{D, "garbage"}, {R, kRtf}, {S, "plain"}}, "plain", 0},
      {"RTFD without data uses RTF", {{D, {}}, {R, kRtf}, {S, "plain"}}, kRichText, 'R'},
      {"RTF over the string", {{S, "plain"}, {R, kRtf}}, kRichText, 'R'},
      {"unreadable RTF", {{R, "garbage"}, {S, "plain"}}, "plain", 0},
      {"RTF without data", {{R, {}}, {S, "plain"}}, "plain", 0},
      {"string only", {{S, "a\nb"}}, "a\nb", 0},
      {"string without data", {{S, {}}}, nullptr, 0},
      {"no text type", {{orvin::NSTIFFPboardType, "MM"}}, nullptr, 0},
      {"nothing", {}, nullptr, 0},
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
      EXPECT_EQ(std::holds_alternative<AttributedString>(text), attributed && c.source);
      ASSERT_EQ(document.has_value(), c.source != 0);
      if (c.source) {
        EXPECT_EQ(document->documentType, String(c.source == 'D' ? orvin::NSRTFDTextDocumentType
                                                                 : orvin::NSRTFTextDocumentType));
        EXPECT_FALSE(document->paperWidth.has_value());
      }

      const MutableText copy = Service().getMutableStringOfPboard(*pb);
      EXPECT_EQ(copy.index(), c.text == nullptr ? 0u : c.source ? 2u : 1u);

      // The line-wise read: the lines, each with its line end and a rich one
      // with its styles, and an empty text of the same kind to fill.
      std::optional<std::vector<Text>> lines = std::vector<Text>{Text(String(u"stale"))};
      Service lineReader;
      const MutableText empty = lineReader.getEmptyMutableStringAndLines(&lines, *pb);
      EXPECT_TRUE(lineReader.hasPerformedService());
      EXPECT_EQ(empty.index(), copy.index());
      std::visit(
          [](const auto& t) {
            if constexpr (!std::is_same_v<decltype(t), const std::monostate&>) {
              EXPECT_EQ(t.length(), 0u);
            }
          },
          empty);
      ASSERT_EQ(lines.has_value(), c.text != nullptr);
      if (c.text == nullptr) continue;
      std::string joined;
      for (const Text& line : *lines) {
        EXPECT_EQ(line.index(), copy.index());
        joined += plainString(line).toUtf8();
      }
      EXPECT_EQ(joined, c.text);
      EXPECT_EQ(lines->size(),
                std::string_view(c.text).find('\n') == std::string_view::npos ? 1u : 2u);
      EXPECT_EQ(std::get_if<AttributedString>(&lines->front()) != nullptr &&
                    std::get<AttributedString>(lines->front()).attributesAtIndex(0, nullptr).bold,
                c.source != 0);
    }
  }
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Service::mutableCopyOfPboardString(String())));
}

TEST(ServiceWrite, DeclaresExactlyOneType) {
  orvin::MutableAttributedString withAttachment(AttributedString(u"see "));
  withAttachment.appendAttributedString(AttributedString::withAttachment({u"a.txt", "abc"}));
  // What is written, the one type declared (empty: the pasteboard is left as it was).
  const std::tuple<const char*, Text, std::u16string_view> cases[] = {
      {"attachment", Text(withAttachment), orvin::NSRTFDPboardType},
      {"rich", Text(AttributedString(u"bold", kBold)), orvin::NSRTFPboardType},
      {"plain", Text(String(u"plain")), orvin::NSStringPboardType},
      {"nil string", Text(String()), {}},
      {"no text", Text(), {}},
  };
  for (const auto& [what, text, type] : cases) {
    for (const bool marking : {false, true}) {
      SCOPED_TRACE(testing::Message() << what << (marking ? " writeString" : " _writeString"));
      const auto pb =
          pasteboardWith({{orvin::NSStringPboardType, "old"}, {orvin::NSTIFFPboardType, "MM"}});
      Service service;
      marking ? service.writeString(text, *pb) : service._writeString(text, *pb);
      EXPECT_EQ(service.hasPerformedService(), marking);
      if (type.empty()) {
        EXPECT_EQ(pb->types().size(), 2u);
        EXPECT_EQ(pb->stringForType(String(orvin::NSStringPboardType)), String(u"old"));
        continue;
      }
      ASSERT_EQ(pb->types(), std::vector<String>{String(type)});
      // What was written reads back as what was given, styles and attachment too.
      EXPECT_TRUE(Service().getStringOfPboard(*pb, true) == text);
    }
  }
}

TEST(ServiceWrite, MailAlsoGetsTheGeneralPasteboard) {
  std::vector<std::string> log;
  orvin::Pasteboard::setGeneralPasteboardFactory([&] {
    return std::make_shared<testkit::RecordingPasteboard>(String(orvin::NSGeneralPboard), &log);
  });
  const std::string general = String(orvin::NSGeneralPboard).toUtf8();
  // The active application (nullptr: none), whether the target is the general
  // pasteboard, the declarations made.
  const std::tuple<const char16_t*, bool, std::vector<std::string>> cases[] = {
      {u"Mail", false, {general + " declare", "Request declare"}},
      {u"Mail", true, {general + " declare"}},
      {u"mail", false, {"Request declare"}},
      {nullptr, false, {"Request declare"}},
  };
  for (const auto& [active, toGeneral, declared] : cases) {
    SCOPED_TRACE(active == nullptr ? "none" : String(active).toUtf8());
    testhooks::setActiveApplicationName(active == nullptr ? String() : String(active));
    testkit::RecordingPasteboard request(String(u"Request"), &log);
    log.clear();
    Service service;
    service.writeString(String(u"result"),
                        toGeneral ? *orvin::Pasteboard::generalPasteboard() : request);
    EXPECT_EQ(log, declared);
    EXPECT_EQ(
        orvin::Pasteboard::generalPasteboard()->stringForType(String(orvin::NSStringPboardType)),
        declared.front().starts_with("Request") ? String() : String(u"result"));
    orvin::Pasteboard::generalPasteboard()->declareTypes({}, nullptr);
  }
  testhooks::setActiveApplicationName(String());
  orvin::Pasteboard::setGeneralPasteboardFactory({});
}

}  // namespace
}  // namespace wendlock
