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
      {u"ftp://x", "ftp://x"},
      {u"MAILTO:anna@example.com", "MAILTO:anna@example.com"},
      {u"urn:isbn:0451450523", "urn:isbn:0451450523"},
      {u"www.example.com", "www.example.com"},
      {u"/home/anna/My Notes.txt", "/home/anna/My Notes.txt"},
      {u"~", "~"},
      {u"~/a b", "~/a b"},
      {u"www.", nullptr},        // nothing after the prefix
      {u"mailto:", nullptr},     // nothing after the scheme
      {u"Re:meeting", nullptr},  // a word with a colon is no link
      {u"note: buy milk", nullptr},
      {u"see https://example.com/", nullptr},  // not one word
      {u"https://exa\u00A0mple.com", nullptr},
      {u"/etc/hosts\n/etc/passwd", nullptr},  // a path is one line
      {u"~anna", nullptr},
      {u"example.com", nullptr},
      {u" \n", nullptr},
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
      {entry, "[Desktop Entry]\nType=Link\nURL=https://x/\n", "https://x/"},
      {entry,
       "\xEF\xBB\xBF# made by hand\r\n\r\n[Desktop Entry]\r\nName=X\r\n Type = Link \r\n"
       "URL[de]=https://de/\r\nURL = https://x/a\\sb\\\\c\\q \r\n",
       "https://x/a b\\c\\q"},
      {entry, "[Desktop Entry]\nURL=https://first/\nURL=https://second/\nType=Link",
       "https://first/"},
      {entry, "[Desktop Entry]\nType=Link\n[Other]\nURL=https://x/\n",
       nullptr},  // not in the entry
      {entry, "[Other]\n[Desktop Entry]\nType=Link\nURL=https://x/\n", nullptr},  // not first
      {entry, "[Desktop Entry]\nType=Application\nURL=https://x/\n", nullptr},
      {entry, "[Desktop Entry]\ntype=Link\nURL=https://x/\n", nullptr},  // keys are exact
      {entry, "[Desktop Entry]\nType=Link\nURL=\n", nullptr},
      {entry, "[Desktop Entry]\nType=Link\nURL=https://x/\xFF\n", nullptr},  // not UTF-8
      {entry, "[Desktop Entry\nType=Link\nURL=https://x/\n", nullptr},
      {entry, "", nullptr},
      {shortcut, "[InternetShortcut]\r\nURL=https://x/\r\n", "https://x/"},
      {shortcut,
       "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n[internetshortcut]\r\n"
       "url=https://x/\r\nURL=https://second/\r\n",
       "https://x/"},
      {shortcut,
       "[InternetShortcut]\nURL=https://x/Gr\xFC\xDF"
       "e\n",
       "https://x/Grüße"},  // cp1252
      {shortcut, "\xEF\xBB\xBF[InternetShortcut]\nURL=https://x/Gr\xC3\xBC\n", "https://x/Grü"},
      {shortcut, "[Other]\nURL=https://x/\n", nullptr},
      {shortcut, "URL=https://x/\n[InternetShortcut]\n", nullptr},
      {shortcut, "[InternetShortcut]\nURL=\n", nullptr},
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
  ASSERT_EQ(::mkfifo((folder / "fifo.url").c_str(), 0600), 0);

  struct Case {
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"a.desktop", "https://entry/"},  {"B.URL", "https://shortcut/"},
      {"entry.url", nullptr},           {"shortcut.txt", nullptr},
      {"at.desktop", "https://entry/"}, {"over.desktop", nullptr},
      {"dir.desktop", nullptr},         {"fifo.url", nullptr},  // never waits for a writer
      {"missing.desktop", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textOrNil(resolveInternetLocation(String(folder / c.name))),
              c.expected ? c.expected : "(nil)")
        << c.name;
  }
  EXPECT_TRUE(resolveInternetLocation(String()).isNil());
}

}  // namespace
}  // namespace orvin
