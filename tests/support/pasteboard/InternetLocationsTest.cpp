// Links in pasted text and in the link files desktops make, read from real
// files.
#include "support/pasteboard/InternetLocations.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "TempFolder.h"
#include "support/pasteboard/internal/LinkFiles.h"

namespace orvin {
namespace {

std::string textOrNil(const String& s) {
  return s.isNil() ? "(nil)" : s.toUtf8();
}

TEST(InternetLocations, WhatTextMayBeALink) {
  struct Case {
    String text;
    const char* expected;  // nullptr: nil
  };
  const Case cases[] = {
      {u"  https://example.com/a \n", "https://example.com/a"},
      {u"MAILTO:anna@example.com", "MAILTO:anna@example.com"},
      {u"www.example.com", "www.example.com"},
      {u"/home/anna/My Notes.txt", "/home/anna/My Notes.txt"},
      {u"~/a b", "~/a b"},
      {u"www.", nullptr},                      // nothing after the prefix
      {u"mailto:", nullptr},                   // nothing after the scheme
      {u"Re:meeting", nullptr},                // a word with a colon is no link
      {u"see https://example.com/", nullptr},  // not one word
      {u"/etc/hosts\n/etc/passwd", nullptr},   // a path is one line
      {u"~anna", nullptr},
      {String(), nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textOrNil(possibleInternetLocation(c.text)), c.expected ? c.expected : "(nil)")
        << c.text;
  }
}

TEST(InternetLocations, LinksInLinkFileContent) {
  const auto entry = detail::linkOfDesktopEntry;
  const auto shortcut = detail::linkOfInternetShortcut;
  struct Case {
    String (*reader)(std::string_view);
    std::string content;
    const char* expected;
  };
  const Case cases[] = {
      {entry,
       "\xEF\xBB\xBF# by hand\r\n\r\n[Desktop Entry]\r\n Type = Link \r\nURL[de]=https://de/\r\n"
       "URL = https://x/a\\sb\\\\c\\q \r\nURL=https://second/\r\n",
       "https://x/a b\\c\\q"},
      {entry, "[Desktop Entry]\nType=Link\n[Other]\nURL=https://x/\n",
       nullptr},  // not in the entry
      {entry, "[Other]\n[Desktop Entry]\nType=Link\nURL=https://x/\n", nullptr},  // not first
      {entry, "[Desktop Entry]\nType=Application\nURL=https://x/\n", nullptr},
      {entry, "[Desktop Entry]\ntype=Link\nURL=https://x/\n", nullptr},  // keys are exact
      {entry, "[Desktop Entry]\nType=Link\nURL=\n", nullptr},
      {entry, "[Desktop Entry]\nType=Link\nURL=https://x/\xFF\n", nullptr},  // not UTF-8
      {shortcut,
       "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n[internetshortcut]\r\n"
       "url=https://x/\r\nURL=https://second/\r\n",
       "https://x/"},
      {shortcut,
       "[InternetShortcut]\nURL=https://x/Gr\xFC\xDF"
       "e\n",
       "https://x/Grüße"},  // cp1252
      {shortcut, "URL=https://x/\n[InternetShortcut]\n", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textOrNil(c.reader(c.content)), c.expected ? c.expected : "(nil)") << c.content;
  }
}

TEST(InternetLocations, ResolvesLinkFilesByTheirKind) {
  test::TempFolder folder;
  const std::string entry = "[Desktop Entry]\nType=Link\nURL=https://entry/\n";
  const std::string shortcut = "[InternetShortcut]\nURL=https://shortcut/\n";
  test::writeFile(folder / "a.desktop", entry);
  test::writeFile(folder / "B.URL", shortcut);
  test::writeFile(folder / "entry.url", entry);        // the extension decides the kind
  test::writeFile(folder / "shortcut.txt", shortcut);  // and must be one of the two
  const std::size_t limit = kLinkFileMaxBytes;
  test::writeFile(folder / "at.desktop", entry + std::string(limit - entry.size(), '#'));
  test::writeFile(folder / "over.desktop", entry + std::string(limit - entry.size() + 1, '#'));
  ASSERT_EQ(::mkdir((folder / "dir.desktop").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo((folder / "fifo.url").c_str(), 0600), 0);  // never waited for

  const std::pair<const char*, const char*> cases[] = {
      {"a.desktop", "https://entry/"},  {"B.URL", "https://shortcut/"},
      {"entry.url", nullptr},           {"shortcut.txt", nullptr},
      {"at.desktop", "https://entry/"}, {"over.desktop", nullptr},
      {"dir.desktop", nullptr},         {"fifo.url", nullptr},
      {"missing.url", nullptr},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(textOrNil(resolveInternetLocation(String(folder / name))),
              expected ? expected : "(nil)")
        << name;
  }
}

}  // namespace
}  // namespace orvin
