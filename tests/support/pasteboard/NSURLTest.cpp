// Links: what counts as one, what is made from typed text and paths, and
// how a link names and shows itself.
#include "support/pasteboard/NSURL.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace orvin {
namespace {

std::string linkOf(const std::optional<NSURL>& url) {
  return url ? url->absoluteString().toUtf8() : "(none)";
}

TEST(NSURL, OnlyAbsoluteUrisAreLinks) {
  struct Case {
    String text;
    const char* expected;  // nullptr: no link
  };
  const Case cases[] = {
      {u"https://example.com/a%20b?q=1#top", "https://example.com/a%20b?q=1#top"},
      {u"HTTP://EXAMPLE.COM", "HTTP://EXAMPLE.COM"},
      {u"mailto:anna@example.com", "mailto:anna@example.com"},
      {u"http://[::1]:8080/", "http://[::1]:8080/"},
      {u"a:", "a:"},  // the shortest absolute URI
      {String(), nullptr},
      {u"", nullptr},
      {u"example.com/a", nullptr},   // no scheme
      {u"1http://x", nullptr},       // a scheme starts with a letter
      {u":x", nullptr},              // empty scheme
      {u"http://x/a b", nullptr},    // a space
      {u"http://x/Grüße", nullptr},  // not ASCII
      {u"http://x/%4", nullptr},     // a cut escape
      {u"http://x/%zz", nullptr},    // not hex
      {u"http://x/#a#b", nullptr},   // two fragments
      {u"http://x:8a/", nullptr},    // port of letters
      {u"http://x/[1]", nullptr},    // brackets outside the host
      {u"http://[::1/", nullptr},    // an open bracket
      {u"http://x/\u00A0", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(linkOf(NSURL::URLWithString(c.text)), c.expected ? c.expected : "(none)") << c.text;
  }
}

TEST(NSURL, LinksFromTypedTextAndPaths) {
  const char* home = ::getenv("HOME");
  const std::string saved = home ? home : "";
  ::setenv("HOME", "/home/anna", 1);
  struct Case {
    String text;
    const char* expected;
  };
  const Case cases[] = {
      {u"/tmp/a b#1%.txt", "file:///tmp/a%20b%231%25.txt"},
      {u"/Grüße", "file:///Gr%C3%BC%C3%9Fe"},
      {u"/", "file:///"},
      {u"~", "file:///home/anna"},
      {u"~/notes.txt", "file:///home/anna/notes.txt"},
      {u"~anna/notes.txt", nullptr},  // other users' homes are not looked up
      {u"www.example.com", "http://www.example.com"},
      {u"WWW.example.com/Grüße", "http://WWW.example.com/Gr%C3%BC%C3%9Fe"},
      {u"https://example.com/100%", "https://example.com/100%25"},
      {u"https://example.com/a%20b", "https://example.com/a%20b"},  // escapes kept
      {u"https://x/#a#b", "https://x/#a%23b"},
      {u"example.com", nullptr},
      {u"relative/path", nullptr},
      {u"", nullptr},
      {String(std::u16string_view(u"/a\0b", 4)), nullptr},     // U+0000 names no file
      {String(std::u16string_view(u"/a\xD800", 3)), nullptr},  // nor does an unpaired surrogate
  };
  for (const Case& c : cases) {
    EXPECT_EQ(linkOf(NSURL::URLWithStringOrPath(c.text)), c.expected ? c.expected : "(none)")
        << c.text;
  }
  EXPECT_FALSE(NSURL::fileURLWithPath(u"relative"));
  if (home) {
    ::setenv("HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
}

TEST(NSURL, PartsNamesAndReadableForms) {
  struct Case {
    const char16_t* link;
    bool file;
    const char* path;  // nullptr: nil
    const char* stringOrPath;
    const char* proposedName;
    const char* display;
  };
  const Case cases[] = {
      {u"file:///tmp/a%20b.txt", true, "/tmp/a b.txt", "/tmp/a b.txt", "a b.txt", "/tmp/a b.txt"},
      {u"FILE://localhost/etc/", true, "/etc/", "/etc/", "etc", "/etc/"},
      // Another machine's file is no local path.
      {u"file://server/share/x", true, "/share/x", "file://server/share/x", "x",
       "file://server/share/x"},
      {u"file:///bad%FF", true, nullptr, "file:///bad%FF", "bad%FF", "file:///bad%FF"},
      {u"file:///nul%00", true, nullptr, "file:///nul%00", "nul%00", "file:///nul%00"},
      {u"https://example.com/", false, "/", "https://example.com/", "example.com",
       "https://example.com/"},
      {u"https://example.com", false, "", "https://example.com", "example.com",
       "https://example.com"},
      {u"https://de.wikipedia.org/wiki/Gr%C3%BC%C3%9Fe%20x%2F", false, "/wiki/Grüße x/",
       "https://de.wikipedia.org/wiki/Gr%C3%BC%C3%9Fe%20x%2F", "Grüße x/",
       "https://de.wikipedia.org/wiki/Grüße%20x%2F"},
      // Invisible characters, no-break spaces and broken UTF-8 stay escaped.
      {u"https://x/%E2%80%AEa%C2%A0b%C3", false, nullptr, "https://x/%E2%80%AEa%C2%A0b%C3",
       "%E2%80%AEa%C2%A0b%C3", "https://x/%E2%80%AEa%C2%A0b%C3"},
      {u"mailto:anna@example.com", false, "anna@example.com", "mailto:anna@example.com",
       "anna@example.com", "mailto:anna@example.com"},
      {u"about:", false, "", "about:", "about:", "about:"},
  };
  for (const Case& c : cases) {
    const std::optional<NSURL> url = NSURL::URLWithString(c.link);
    ASSERT_TRUE(url) << String(c.link);
    const String path = url->path();
    EXPECT_EQ(url->isFileURL(), c.file) << String(c.link);
    EXPECT_EQ(path.isNil() ? "(nil)" : path.toUtf8(), c.path ? c.path : "(nil)") << String(c.link);
    EXPECT_EQ(url->absoluteStringOrPath().toUtf8(), c.stringOrPath);
    EXPECT_EQ(url->proposedName().toUtf8(), c.proposedName);
    EXPECT_EQ(url->displayString().toUtf8(), c.display);
  }
  const auto ipv6 = NSURL::URLWithString(u"http://user@[::1]:80/");
  EXPECT_EQ(ipv6->host(), String(u"[::1]"));
  EXPECT_EQ(ipv6->scheme(), String(u"http"));
}

TEST(NSURL, TravelsOnAPasteboardAsALinkAndTitleList) {
  InMemoryPasteboard pb(u"test");
  const String type(NSURLPboardType);
  EXPECT_FALSE(NSURL::URLFromPasteboard(pb));
  const NSURL url = *NSURL::URLWithString(u"https://example.com/");
  EXPECT_FALSE(url.writeToPasteboard(pb));  // not declared

  pb.declareTypes({type}, nullptr);
  EXPECT_TRUE(url.writeToPasteboard(pb));
  EXPECT_EQ(pb.propertyListForType(type),
            PropertyList(PropertyList::Array{u"https://example.com/", u""}));
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), url);

  // Other writers' forms: a bare string list, plain text; and no link.
  pb.setPropertyList(PropertyList(u"https://example.com/"), type);
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), url);
  pb.setString(u"https://example.com/", type);
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), url);
  pb.setPropertyList(PropertyList::Array{u"not a link"}, type);
  EXPECT_FALSE(NSURL::URLFromPasteboard(pb));
}

}  // namespace
}  // namespace orvin
