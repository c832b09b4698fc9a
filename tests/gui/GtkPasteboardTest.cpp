// The desktop's selections as pasteboards, against real owners (xclip and
// the test owner) on Xvfb, and read back by xclip after our writes.
#include "service/platform/gtk/GtkPasteboard.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "DesktopTestSupport.h"
#include "service/CommandLine.h"
#include "service/Service.h"

namespace wendlock {
namespace {

using desktoptest::Child;
using desktoptest::readWithXclip;
using desktoptest::startOwner;
using desktoptest::startXclip;
using orvin::NSFilenamesPboardType;
using orvin::NSHTMLPboardType;
using orvin::NSRTFPboardType;
using orvin::NSStringPboardType;
using orvin::NSTIFFPboardType;
using orvin::NSURLPboardType;
using orvin::PropertyList;
using orvin::String;
using namespace std::string_literals;

std::vector<String> strings(std::initializer_list<std::u16string_view> items) {
  std::vector<String> out;
  for (auto item : items) out.emplace_back(item);
  return out;
}

// About 1 MiB with two- and three-byte characters, so incremental chunks
// split some of them.
std::string largeText() {
  std::string text;
  while (text.size() < (1u << 20)) text += "Grüße ✓ " + std::to_string(text.size()) + "\n";
  return text;
}

TEST(DesktopPasteboardMapping, TypesForTargets) {
  struct Case {
    std::vector<std::string> targets;
    bool fileUri;
    std::vector<String> types;
  };
  const Case cases[] = {
      {{"TARGETS", "TIMESTAMP", "UTF8_STRING", "STRING", "TEXT", "text/rtf"},
       false,
       strings({NSStringPboardType, NSRTFPboardType})},
      {{"application/rtf", "text/plain; charset=UTF-8"},
       false,
       strings({NSRTFPboardType, NSStringPboardType})},
      {{"text/plain"}, false, strings({NSStringPboardType})},
      {{"image/png", "text/plain;charset=utf-16", "x-special/gnome-copied-files"}, false, {}},
      {{"text/uri-list"}, false, strings({NSURLPboardType})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pasteboardTypesForTargets(c.targets, c.fileUri), c.types) << c.targets.front();
  }
}

TEST(DesktopPasteboardMapping, UriListsAndFilenames) {
  const auto uris = urisFromUriList(
      "# comment\r\nfile:///tmp/a%20b\r\n\r\nhttp://example.com/x\nfile://localhost/etc/hosts"
      "\r\nfile://elsewhere.invalid/etc/passwd\r\n\0junk");
  EXPECT_EQ(uris, (std::vector<std::string>{"file:///tmp/a%20b", "http://example.com/x",
                                            "file://localhost/etc/hosts",
                                            "file://elsewhere.invalid/etc/passwd"}));
  EXPECT_EQ(filenamesFromUris(uris), strings({u"/tmp/a b", u"/etc/hosts"}));
  EXPECT_TRUE(urisFromUriList("").empty());
  EXPECT_TRUE(filenamesFromUris({"file:relative", "mailto:x@y", ""}).empty());
}

// --- Reading --------------------------------------------------------------

TEST(DesktopPasteboardRead, TextFromXclipAndFromAnOwnerOfSeveralTargets) {
  REQUIRE_DISPLAY();
  using enum DesktopSelection;
  struct Case {
    DesktopSelection which;
    bool xclip;                                                // else the test owner
    std::vector<std::pair<std::string, std::string>> targets;  // xclip: one, UTF8_STRING
    std::vector<String> types;
    std::string text;  // what the service reads as plain text
  };
  const std::vector<String> plain = strings({NSStringPboardType});
  const Case cases[] = {
      {Primary, true, {{"UTF8_STRING", "Grüße aus Köln\n"}}, plain, "Grüße aus Köln\n"},
      // Taken as sent: neither cut at the NUL nor its line ends rewritten.
      {Clipboard, true, {{"UTF8_STRING", "two\r\nlines\0 ✓"s}}, plain, "two\r\nlines\0 ✓"s},
      {Primary, true, {{"UTF8_STRING", largeText()}}, plain, largeText()},  // an INCR transfer
      // Rich text wins over the plain entry.
      {Primary,
       false,
       {{"UTF8_STRING", "plain entry"},
        {"text/rtf", "{\\rtf1\\ansi Rich {\\b bold} Gr\\'fc\\'dfe}"}},
       strings({NSStringPboardType, NSRTFPboardType}),
       "Rich bold Grüße"},
      {Primary, false, {{"STRING", "caf\xE9"}}, plain, "café"},  // Latin-1
      // text/plain names no character set: UTF-8 when valid, else Latin-1.
      {Clipboard, false, {{"text/plain", "Grüße ✓"}}, plain, "Grüße ✓"},
      {Clipboard,
       false,
       {{"text/plain",
         "Gr\xFC\xDF"
         "e"}},
       plain,
       "Grüße"},
      // Broken RTF falls back to the plain string.
      {Clipboard,
       false,
       {{"application/rtf", "not rtf"}, {"text/plain;charset=utf-8", "plain ✓"}},
       strings({NSRTFPboardType, NSStringPboardType}),
       "plain ✓"},
  };
  Service service;
  for (const Case& c : cases) {
    const std::string selection = c.which == Primary ? "primary" : "clipboard";
    const auto owner = c.xclip ? startXclip(selection, c.targets.front().second)
                               : startOwner(selection, c.targets);
    ASSERT_TRUE(owner);
    const auto pb = desktopPasteboard(c.which);
    EXPECT_EQ(pb->types(), c.types) << c.text.substr(0, 20);
    EXPECT_EQ(plainString(service.getStringOfPboard(*pb, false)).toUtf8(), c.text);
  }
  EXPECT_EQ(desktopPasteboard(Primary)->name(), String(kPrimarySelectionPboard));
  EXPECT_EQ(desktopPasteboard(Clipboard)->name(), String(orvin::NSGeneralPboard));
}

TEST(DesktopPasteboardRead, LinksFileNamesAndImages) {
  REQUIRE_DISPLAY();
  const std::string tiff("II*\0\x08\0\0\0", 8);
  const auto owner =
      startOwner("primary", {{"text/uri-list", "file:///tmp/a%20b\r\nhttp://x.org/\r\n"},
                             {"text/html", "<b>x</b>"},
                             {"image/tiff", tiff}});
  ASSERT_TRUE(owner);
  const auto pb = desktopPasteboard(DesktopSelection::Primary);
  EXPECT_EQ(pb->types(),
            strings({NSURLPboardType, NSFilenamesPboardType, NSHTMLPboardType, NSTIFFPboardType}));
  EXPECT_EQ(pb->propertyListForType(String(NSFilenamesPboardType)),
            PropertyList(PropertyList::Array{u"/tmp/a b"}));
  EXPECT_EQ(pb->propertyListForType(String(NSURLPboardType)),
            PropertyList(PropertyList::Array{u"file:///tmp/a%20b", u""}));
  EXPECT_EQ(pb->dataForType(String(NSTIFFPboardType)), orvin::Bytes(tiff.begin(), tiff.end()));
  EXPECT_FALSE(pb->dataForType(String(orvin::NSPDFPboardType)));
}

TEST(DesktopPasteboardRead, AnOwnerThatDoesNotAnswerIsGivenUpOn) {
  REQUIRE_DISPLAY();
  const auto owner = startOwner("primary", {{"UTF8_STRING", "late"}});
  ASSERT_TRUE(owner);
  kill(owner->pid(), SIGSTOP);
  testhooks::setSelectionTimeout(0.2);
  const auto pb = desktopPasteboard(DesktopSelection::Primary);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(pb->types().empty());
  EXPECT_TRUE(pb->stringForType(String(NSStringPboardType)).isNil());
  const std::string said = testing::internal::GetCapturedStderr();
  testhooks::setSelectionTimeout(0);
  // The user learns why nothing came.
  EXPECT_NE(said.find("wendlock: The program holding the selection did not answer.\n"),
            std::string::npos)
      << said;
}

// An owner that crashes mid-request: the wait ends when the X server says
// it is gone, not at the timeout, and the user learns why nothing came.
TEST(DesktopPasteboardRead, AnOwnerThatGoesAwayEndsTheWait) {
  REQUIRE_DISPLAY();
  const auto owner = startOwner("primary", {{"UTF8_STRING", "never sent"}}, true);
  ASSERT_TRUE(owner);
  testhooks::setSelectionTimeout(desktoptest::kPatience * 3);
  const auto pb = desktopPasteboard(DesktopSelection::Primary);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(pb->stringForType(String(NSStringPboardType)).isNil());
  const std::string said = testing::internal::GetCapturedStderr();
  testhooks::setSelectionTimeout(0);
  EXPECT_NE(said.find("wendlock: The application holding the selection went away.\n"),
            std::string::npos)
      << said;
}

TEST(DesktopPasteboardRead, ReadsAreCapped) {
  REQUIRE_DISPLAY();
  testhooks::setMostSelectionBytes(1000);
  for (const std::size_t size : {999u, 1000u, 1001u}) {
    const std::string text(size, 'x');
    const auto owner =
        startOwner("clipboard", {{"UTF8_STRING", text}, {"text/rtf", "{\\rtf1 " + text + "}"}});
    ASSERT_TRUE(owner);
    const auto pb = desktopPasteboard(DesktopSelection::Clipboard);
    testing::internal::CaptureStderr();
    const String read = pb->stringForType(String(NSStringPboardType));
    const bool rtfRead = pb->dataForType(String(NSRTFPboardType)).has_value();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(read.length(), size <= 1000 ? size : 0u) << size;
    EXPECT_EQ(rtfRead, size + 8 <= 1000) << size;
    EXPECT_EQ(said.find("wendlock: The clipboard holds more than 16 MiB; it is not read.\n") !=
                  std::string::npos,
              size + 8 > 1000)
        << said;
  }
  testhooks::setMostSelectionBytes(0);
}

// --- Writing --------------------------------------------------------------

TEST(DesktopPasteboardWrite, GeneralPasteboardIsTheClipboard) {
  REQUIRE_DISPLAY();
  ASSERT_TRUE(installDesktopPasteboards());
  const auto general = orvin::Pasteboard::generalPasteboard();
  ASSERT_EQ(general, desktopPasteboard(DesktopSelection::Clipboard));
  Service service;
  for (const std::string& text : {std::string("Grüße ✓\r\nzwei"), largeText()}) {
    service.writeString(String::withUtf8(text), *general);
    EXPECT_EQ(readWithXclip("clipboard"), text) << text.size();
    EXPECT_EQ(general->types(), strings({NSStringPboardType}));
    EXPECT_EQ(general->stringForType(String(NSStringPboardType)).toUtf8(), text);
  }
  EXPECT_NE(readWithXclip("clipboard", "TARGETS").value_or("").find("text/plain;charset=utf-8"),
            std::string::npos);

  // Rich text goes out as RTF; our own read gets its characters back.
  service.writeString(orvin::AttributedString(String(u"rich ✓")), *general);
  EXPECT_EQ(readWithXclip("clipboard", "text/rtf").value_or("").rfind("{\\rtf1", 0), 0u);
  EXPECT_FALSE(readWithXclip("clipboard", "UTF8_STRING"));
  EXPECT_EQ(plainString(service.getStringOfPboard(*general, false)), String(u"rich ✓"));

  // File names are offered as a uri-list.
  general->declareTypes(strings({NSFilenamesPboardType, u"OrvinPrivateType"}), nullptr);
  ASSERT_TRUE(general->setPropertyList(PropertyList::Array{u"/tmp/a b"}, NSFilenamesPboardType));
  EXPECT_EQ(readWithXclip("clipboard", "text/uri-list"), "file:///tmp/a%20b\r\n");
  EXPECT_EQ(general->types(), strings({NSFilenamesPboardType, u"OrvinPrivateType"}));
}

TEST(DesktopPasteboardWrite, AnotherOwnerTakesTheClipboardOver) {
  REQUIRE_DISPLAY();
  const auto pb = desktopPasteboard(DesktopSelection::Clipboard);
  pb->declareTypes(strings({NSStringPboardType}), nullptr);
  ASSERT_TRUE(pb->setString(String(u"ours"), NSStringPboardType));
  const orvin::NSInteger before = pb->changeCount();
  const auto other = startXclip("clipboard", "theirs");
  ASSERT_TRUE(other);
  EXPECT_EQ(pb->stringForType(String(NSStringPboardType)), String(u"theirs"));
  EXPECT_GT(pb->changeCount(), before);
  EXPECT_FALSE(pb->setString(String(u"late"), NSStringPboardType));
}

// --- The command line -------------------------------------------------------

TEST(DesktopPasteboardCommandLine, SelectionSources) {
  REQUIRE_DISPLAY();
  std::string error;
  for (const auto& [flag, which] : {std::pair{"--selection", DesktopSelection::Primary},
                                    std::pair{"--clipboard", DesktopSelection::Clipboard}}) {
    const auto options = parseCommandLine({"wendlock", flag}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(makeRequestPasteboard(*options, &error), desktopPasteboard(which));
  }
  EXPECT_FALSE(parseCommandLine({"wendlock", "--selection", "--clipboard"}, &error));
  EXPECT_FALSE(parseCommandLine({"wendlock", "--text", "x", "--selection"}, &error));
}

TEST(DesktopPasteboardCommandLine, WendlockReportsWhatTheSelectionLacks) {
  // Without a display: a usage error naming it.
  auto child = Child::start(
      {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", WENDLOCK_BINARY, "--selection"});
  ASSERT_TRUE(child);
  EXPECT_EQ(child->waitForExit(), kExitUsage);
  EXPECT_NE(child->output().find("no display"), std::string::npos) << child->output();

  // A selection without text: the alert.
  REQUIRE_DISPLAY();
  const auto owner = startOwner("primary", {{"image/png", "\x89PNG"}});
  ASSERT_TRUE(owner);
  child = Child::start({WENDLOCK_BINARY, "--selection", "--ui=tty", "--to", "tcp:127.0.0.1:9"});
  ASSERT_TRUE(child);
  EXPECT_EQ(child->waitForExit(), 1);
  EXPECT_NE(child->output().find("No data to send."), std::string::npos) << child->output();

  // An owner that crashes mid-request: the alert follows at once, saying
  // why (a wait to the timeout would say the owner did not answer).
  const auto dying = startOwner("primary", {{"UTF8_STRING", "never sent"}}, true);
  ASSERT_TRUE(dying);
  child = Child::start({WENDLOCK_BINARY, "--selection", "--ui=tty", "--to", "tcp:127.0.0.1:9"});
  ASSERT_TRUE(child);
  EXPECT_EQ(child->waitForExit(), 1);
  EXPECT_NE(child->output().find("wendlock: The application holding the selection went away.\n"
                                 "Wendlock: No data to send."),
            std::string::npos)
      << child->output();
}

}  // namespace
}  // namespace wendlock
