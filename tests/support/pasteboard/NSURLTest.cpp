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

struct LinkCase {
  String text;
  const char* expected;  // nullptr: no link
};

TEST(NSURL, OnlyAbsoluteUrisAreLinks) {
  const LinkCase cases[] = {
      {u"https://example.com/a%20b?q=1#top", "https://example.com/a%20b?q=1#top"},
      {u"http://[::1]:8080/", "http://[::1]:8080/"},
      {u"a:", "a:"},  // the shortest
      {String(), nullptr},
      {u"", nullptr},
      {u"example.com/a", nullptr},   // no scheme
      {u"1http://x", nullptr},       // a scheme starts with a letter
      {u"http://x/a b", nullptr},    // a space
      {u"http://x/Grüße", nullptr},  // not ASCII
      {u"http://x/%4", nullptr},     // a cut escape
      {u"http://x/#a#b", nullptr},   // two fragments
      {u"http://x:8a/", nullptr},    // a port of letters
      {u"http://x/[1]", nullptr},    // brackets outside the host
  };
  for (const LinkCase& c : cases) {
    EXPECT_EQ(linkOf(NSURL::URLWithString(c.text)), c.expected ? c.expected : "(none)") << c.text;
  }
}

TEST(NSURL, LinksFromTypedTextAndPaths) {
  const char* home = ::getenv("HOME");
  const std::string saved = home ? home : "";
  ::setenv("HOME", "/home/anna", 1);
  const LinkCase cases[] = {
      {u"/tmp/a b#1%.txt", "file:///tmp/a%20b%231%25.txt"},
      {u"/Grüße", "file:///Gr%C3%BC%C3%9Fe"},
      {u"~", "file:///home/anna"},
      {u"~/notes.txt", "file:///home/anna/notes.txt"},
      {u"~anna/notes.txt", nullptr},  // relative
      {u"www.example.com", "http://www.example.com"},
      {u"WWW.example.com/Grüße", "http://WWW.example.com/Gr%C3%BC%C3%9Fe"},
      {u"https://example.com/100%", "https://example.com/100%25"},
      {u"https://example.com/a%20b", "https://example.com/a%20b"},  // escapes kept
      {u"https://x/#a#b", "https://x/#a%23b"},
      {u"example.com", nullptr},
      {String(std::u16string_view(u"/a\0b", 4)), nullptr},     // U+0000 names no file
      {String(std::u16string_view(u"/a\xD800", 3)), nullptr},  // nor does a lone surrogate
  };
  for (const LinkCase& c : cases) {
    EXPECT_EQ(linkOf(NSURL::URLWithStringOrPath(c.text)), c.expected ? c.expected : "(none)")
        << c.text;
  }
  home ? ::setenv("HOME", saved.c_str(), 1) : ::unsetenv("HOME");
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
      {u"file://server/x", true, "/x", "file://server/x", "x", "file://server/x"},
      {u"file:///bad%FF", true, nullptr, "file:///bad%FF", "bad%FF", "file:///bad%FF"},
      {u"file:///nul%00", true, nullptr, "file:///nul%00", "nul%00", "file:///nul%00"},
      {u"https://example.com/", false, "/", "https://example.com/", "example.com",
       "https://example.com/"},
      {u"https://x/wiki/Gr%C3%BC%C3%9Fe%20x%2F", false, "/wiki/Grüße x/",
       "https://x/wiki/Gr%C3%BC%C3%9Fe%20x%2F", "Grüße x/", "https://x/wiki/Grüße%20x%2F"},
      // Invisible characters, no-break spaces and broken UTF-8 stay escaped.
      {u"https://x/%E2%80%AEa%C2%A0b%C3", false, nullptr, "https://x/%E2%80%AEa%C2%A0b%C3",
       "%E2%80%AEa%C2%A0b%C3", "https://x/%E2%80%AEa%C2%A0b%C3"},
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
  EXPECT_EQ(NSURL::URLWithString(u"http://user@[::1]:80/")->host(), String(u"[::1]"));
}

TEST(NSURL, ReadFromThePasteboardInEachForm) {
  InMemoryPasteboard pb(u"test");
  const String type(NSURLPboardType);
  EXPECT_FALSE(NSURL::URLFromPasteboard(pb));
  const NSURL url = *NSURL::URLWithString(u"https://example.com/");
  pb.declareTypes({type}, nullptr);
  EXPECT_TRUE(url.writeToPasteboard(pb));
  EXPECT_EQ(pb.propertyListForType(type),
            PropertyList(PropertyList::Array{u"https://example.com/", u""}));
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), url);
  pb.setPropertyList(PropertyList(u"https://example.com/"), type);
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), url);
  pb.setString(u"https://example.com/", type);
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), url);
  pb.setPropertyList(PropertyList::Array{u"not a link"}, type);
  EXPECT_FALSE(NSURL::URLFromPasteboard(pb));
}

}  // namespace
}  // namespace orvin
