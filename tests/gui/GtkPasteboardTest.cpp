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
using desktoptest::Files;
using desktoptest::readWithXclip;
using orvin::NSFilenamesPboardType;
using orvin::NSHTMLPboardType;
using orvin::NSRTFPboardType;
using orvin::NSStringPboardType;
using orvin::NSTIFFPboardType;
using orvin::NSURLPboardType;
using orvin::PropertyList;
using orvin::String;

std::vector<String> strings(std::initializer_list<std::u16string_view> items) {
  std::vector<String> out;
  for (auto item : items) out.emplace_back(item);
  return out;
}

std::string bytesOf(const std::optional<orvin::Bytes>& data) {
  return data ? std::string(data->begin(), data->end()) : "<none>";
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
      {{"text/uri-list", "text/html", "image/tiff"},
       true,
       strings({NSURLPboardType, NSFilenamesPboardType, NSHTMLPboardType, NSTIFFPboardType})},
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

TEST(DesktopPasteboardRead, PlainTextFromXclip) {
  REQUIRE_DISPLAY();
  struct Case {
    std::string selection;
    DesktopSelection which;
    std::string text;
  };
  const Case cases[] = {
      {"primary", DesktopSelection::Primary, "Grüße aus Köln\n"},
      {"clipboard", DesktopSelection::Clipboard, "two\r\nlines \xE2\x9C\x93"},
      {"primary", DesktopSelection::Primary, largeText()},  // an INCR transfer
  };
  Service service;
  for (const Case& c : cases) {
    Files files;
    const auto owner = desktoptest::startXclip(c.selection, c.text, files);
    ASSERT_TRUE(owner);
    const auto pb = desktopPasteboard(c.which);
    ASSERT_TRUE(pb);
    EXPECT_EQ(pb->types(), strings({NSStringPboardType})) << c.selection;
    const Text text = service.getStringOfPboard(*pb, false);
    EXPECT_EQ(plainString(text).toUtf8(), c.text) << c.selection << " " << c.text.size();
  }
  EXPECT_EQ(desktopPasteboard(DesktopSelection::Primary)->name(), String(kPrimarySelectionPboard));
  EXPECT_EQ(desktopPasteboard(DesktopSelection::Clipboard)->name(), String(orvin::NSGeneralPboard));
}

TEST(DesktopPasteboardRead, SeveralTargetsFromOneOwner) {
  REQUIRE_DISPLAY();
  struct Case {
    const char* name;
    std::string selection;
    std::vector<std::pair<std::string, std::string>> targets;
    std::vector<String> types;
    const char* text;  // what the service reads as plain text; nullptr: none
    std::u16string_view checkedType = {};
    std::string checkedData = {};
  };
  const std::string tiff("II*\0\x08\0\0\0", 8);
  const Case cases[] = {
      {"rich text wins over the plain entry",
       "primary",
       {{"UTF8_STRING", "plain entry"},
        {"text/rtf", "{\\rtf1\\ansi Rich {\\b bold} Gr\\'fc\\'dfe}"}},
       strings({NSStringPboardType, NSRTFPboardType}),
       "Rich bold Grüße"},
      {"image only: no text", "clipboard", {{"image/png", "\x89PNG\r\n"}}, {}, nullptr},
      {"Latin-1 STRING", "primary", {{"STRING", "caf\xE9"}}, strings({NSStringPboardType}), "café"},
      {"broken RTF falls back to the plain string",
       "clipboard",
       {{"application/rtf", "not rtf"}, {"text/plain;charset=utf-8", "plain ✓"}},
       strings({NSRTFPboardType, NSStringPboardType}),
       "plain ✓"},
      {"html and tiff",
       "primary",
       {{"text/html", "<b>x</b>"}, {"image/tiff", tiff}},
       strings({NSHTMLPboardType, NSTIFFPboardType}),
       nullptr,
       NSTIFFPboardType,
       tiff},
      {"large text through GTK's incremental transfer",
       "clipboard",
       {{"UTF8_STRING", largeText()}},
       strings({NSStringPboardType}),
       nullptr,
       NSStringPboardType,
       largeText()},
  };
  Service service;
  for (const Case& c : cases) {
    Files files;
    const auto owner = desktoptest::startOwner(c.selection, c.targets, files);
    ASSERT_TRUE(owner) << c.name;
    const auto pb = desktopPasteboard(c.selection == "primary" ? DesktopSelection::Primary
                                                               : DesktopSelection::Clipboard);
    EXPECT_EQ(pb->types(), c.types) << c.name;
    if (c.text != nullptr || c.checkedType.empty()) {
      const Text text = service.getStringOfPboard(*pb, false);
      if (c.text == nullptr) {
        EXPECT_TRUE(isNoText(text)) << c.name;
      } else {
        EXPECT_EQ(plainString(text), String::withUtf8(c.text)) << c.name;
      }
    }
    if (!c.checkedType.empty()) {
      EXPECT_EQ(bytesOf(pb->dataForType(String(c.checkedType))), c.checkedData) << c.name;
    }
    EXPECT_FALSE(pb->dataForType(String(orvin::NSPDFPboardType))) << c.name;
  }
}

TEST(DesktopPasteboardRead, LinksAndFileNames) {
  REQUIRE_DISPLAY();
  Files files;
  const auto owner = desktoptest::startOwner(
      "primary", {{"text/uri-list", "file:///tmp/a%20b\r\nhttp://example.com/x\r\n"}}, files);
  ASSERT_TRUE(owner);
  const auto pb = desktopPasteboard(DesktopSelection::Primary);
  EXPECT_EQ(pb->types(), strings({NSURLPboardType, NSFilenamesPboardType}));
  EXPECT_EQ(pb->propertyListForType(String(NSFilenamesPboardType)),
            PropertyList(PropertyList::Array{u"/tmp/a b"}));
  EXPECT_EQ(pb->propertyListForType(String(NSURLPboardType)),
            PropertyList(PropertyList::Array{u"file:///tmp/a%20b", u""}));
}

TEST(DesktopPasteboardRead, AnOwnerThatDoesNotAnswerIsGivenUpOn) {
  REQUIRE_DISPLAY();
  Files files;
  const auto owner = desktoptest::startOwner("primary", {{"UTF8_STRING", "late"}}, files);
  ASSERT_TRUE(owner);
  kill(owner->pid(), SIGSTOP);
  testhooks::setSelectionTimeout(0.2);
  const auto pb = desktopPasteboard(DesktopSelection::Primary);
  EXPECT_TRUE(pb->types().empty());
  EXPECT_TRUE(pb->stringForType(String(NSStringPboardType)).isNil());
  testhooks::setSelectionTimeout(0);
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
  const auto targets = readWithXclip("clipboard", "TARGETS");
  ASSERT_TRUE(targets);
  EXPECT_NE(targets->find("text/plain;charset=utf-8"), std::string::npos) << *targets;

  // Rich text goes out as RTF; our own read gets its characters back.
  service.writeString(orvin::AttributedString(String(u"rich ✓")), *general);
  const auto rtf = readWithXclip("clipboard", "text/rtf");
  ASSERT_TRUE(rtf);
  EXPECT_EQ(rtf->rfind("{\\rtf1", 0), 0u) << *rtf;
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
  Files files;
  const auto other = desktoptest::startXclip("clipboard", "theirs", files);
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
  auto child = Child::start({WENDLOCK_BINARY, "--selection"}, true,
                            {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}});
  ASSERT_TRUE(child);
  EXPECT_EQ(child->waitForExit(), kExitUsage);
  EXPECT_NE(child->output().find("no display"), std::string::npos) << child->output();

  // A selection without text: the alert.
  REQUIRE_DISPLAY();
  Files files;
  const auto owner = desktoptest::startOwner("primary", {{"image/png", "\x89PNG"}}, files);
  ASSERT_TRUE(owner);
  child = Child::start({WENDLOCK_BINARY, "--selection", "--ui=tty", "--to", "tcp:127.0.0.1:9"});
  ASSERT_TRUE(child);
  EXPECT_EQ(child->waitForExit(), 1);
  EXPECT_NE(child->output().find("No data to send."), std::string::npos) << child->output();
}

}  // namespace
}  // namespace wendlock
