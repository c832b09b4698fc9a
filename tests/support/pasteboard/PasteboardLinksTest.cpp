// Links on a pasteboard: detection over every form a link arrives in, and
// the forms the writers leave for readers.
#include "support/pasteboard/PasteboardLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"

namespace orvin {
namespace {

using Array = PropertyList::Array;

NSURL link(const char16_t* text) {
  return *NSURL::URLWithString(text);
}

std::vector<std::string> linksOf(const std::optional<std::vector<NSURL>>& urls) {
  std::vector<std::string> out;
  if (!urls) return {"(none)"};
  for (const NSURL& url : urls.value()) out.push_back(url.absoluteString().toUtf8());
  return out;
}

std::vector<String> types(std::initializer_list<std::u16string_view> names) {
  return std::vector<String>(names.begin(), names.end());
}

TEST(PasteboardLinks, DetectionOverEveryForm) {
  test::TempFolder folder;
  test::writeFile(folder / "plain.txt", "[InternetShortcut]\nURL=https://no/\n");
  test::writeFile(folder / "broken.url", "[InternetShortcut]\nURL=not a link\n");
  test::writeFile(folder / "site.url", "[InternetShortcut]\nURL=https://site/\n");
  const PropertyList plainFiles =
      Array{String(folder / "plain.txt"), String(folder / "broken.url")};
  const PropertyList withLinkFile =
      Array{String(folder / "plain.txt"), String(folder / "site.url")};

  struct Case {
    const char* name;
    std::u16string_view type;
    PropertyList content;  // a string is stored as text, anything else as a property list
    bool contains;
    std::vector<std::string> read;  // URLsFromPasteboard for the type
  };
  const Case cases[] = {
      {"text link", NSStringPboardType, u" https://example.com/ ", true, {"https://example.com/"}},
      {"text path", NSStringPboardType, u"/tmp/a b", true, {"file:///tmp/a%20b"}},
      {"plain text", NSStringPboardType, u"hello there", false, {"(none)"}},
      {"no link file", NSFilenamesPboardType, plainFiles, false, {}},
      {"a link file", NSFilenamesPboardType, withLinkFile, true, {"https://site/"}},
      {"empty link list", WebURLsWithTitlesPboardType, Array{Array{}, Array{}}, true, {"(none)"}},
      {"link type", CorePasteboardFlavorTypeURL, u"anything", true, {"(none)"}},
      {"URL type", NSURLPboardType, Array{u"https://x/", u""}, true, {"https://x/"}},
      {"URL type, no link", NSURLPboardType, Array{u"no link", u""}, true, {"(none)"}},
      {"other type", NSHTMLPboardType, u"<a href='https://x/'>x</a>", false, {"(none)"}},
  };
  for (const Case& c : cases) {
    InMemoryPasteboard pb(u"test");
    const String type(c.type);
    pb.declareTypes({type}, nullptr);
    if (c.content.kind() == PropertyList::Kind::String) {
      pb.setString(c.content.stringValue(), type);
    } else {
      pb.setPropertyList(c.content, type);
    }
    EXPECT_EQ(containsURLs(pb), c.contains) << c.name;
    EXPECT_EQ(linksOf(URLsFromPasteboard(pb, type)), c.read) << c.name;
  }

  // The first of link list, file list and text decides, in that order.
  InMemoryPasteboard pb(u"test");
  pb.declareTypes({NSStringPboardType, NSFilenamesPboardType}, nullptr);
  pb.setString(u"https://example.com/", NSStringPboardType);
  pb.setPropertyList(plainFiles, NSFilenamesPboardType);
  EXPECT_FALSE(containsURLs(pb));
  EXPECT_EQ(linksOf(URLsFromPasteboard(pb, String())), std::vector<std::string>{"(none)"});
  EXPECT_FALSE(availableType(pb, String()));
  EXPECT_FALSE(availableType(pb, u"nsstringpboardtype"));
}

TEST(PasteboardLinks, ReadersOfLinkAndTitleTypesPreferTheirOrder) {
  InMemoryPasteboard pb(u"test");
  pb.declareTypes({u"public.url", u"public.url-name", CorePasteboardFlavorTypeURLName,
                   CorePasteboardFlavorTypeURL},
                  nullptr);
  pb.setString(u"https://public/", u"public.url");
  pb.setString(u"public name", u"public.url-name");
  pb.setString(u"flavor name", CorePasteboardFlavorTypeURLName);
  pb.setString(u"https://flavor/", CorePasteboardFlavorTypeURL);
  EXPECT_EQ(URL(pb), String(u"https://flavor/"));
  EXPECT_EQ(URLName(pb), String(u"flavor name"));
  EXPECT_TRUE(containsURL(pb) && containsURLName(pb));
}

TEST(PasteboardLinks, SeveralLinksGoAsAListWithOneTitleEach) {
  const std::vector<NSURL> urls{link(u"https://example.com/docs/a.pdf"),
                                link(u"file:///tmp/b%20c.txt"), link(u"https://example.org/")};
  struct Case {
    const char* name;
    std::vector<String> titles;
    Array expectedTitles;
  };
  const Case cases[] = {
      {"none", {}, {u"a.pdf", u"b c.txt", u"example.org"}},
      {"fewer", {u"First"}, {u"First", u"b c.txt", u"example.org"}},
      {"nil inside", {u"First", String(), u""}, {u"First", u"b c.txt", u""}},
      {"more", {u"1", u"2", u"3", u"4"}, {u"1", u"2", u"3"}},
  };
  for (const Case& c : cases) {
    InMemoryPasteboard pb(u"test");
    EXPECT_TRUE(copyURLsToPasteboard(urls, pb, c.titles)) << c.name;
    EXPECT_EQ(pb.types(), types({WebURLsWithTitlesPboardType, NSStringPboardType}));
    EXPECT_EQ(pb.owner(), &urls);
    const PropertyList list = pb.propertyListForType(WebURLsWithTitlesPboardType);
    EXPECT_EQ(list.objectAtIndex(0),
              PropertyList(Array{u"https://example.com/docs/a.pdf", u"file:///tmp/b%20c.txt",
                                 u"https://example.org/"}));
    EXPECT_EQ(list.objectAtIndex(1), PropertyList(c.expectedTitles)) << c.name;
    EXPECT_EQ(pb.stringForType(NSStringPboardType),
              String(u"https://example.com/docs/a.pdf\n/tmp/b c.txt\nhttps://example.org/\n"));
  }

  InMemoryPasteboard pb(u"test");
  pb.declareTypes({NSHTMLPboardType}, nullptr);
  EXPECT_FALSE(copyURLsToPasteboard({}, pb));
  EXPECT_EQ(pb.changeCount(), 1);  // untouched
}

TEST(PasteboardLinks, OneLinkGoesInEveryLinkForm) {
  const NSURL url = link(u"https://de.wikipedia.org/wiki/Gr%C3%BC%C3%9Fe");
  const String shown(u"https://de.wikipedia.org/wiki/Grüße");
  struct Case {
    const char* name;
    std::vector<String> titles;  // through copyURLsToPasteboard
    PropertyList bookmark;
    String title;    // in the title list
    String cleaned;  // under CorePasteboardFlavorTypeURLName
  };
  const PropertyList bookmark = PropertyList::Dictionary{{u"title", u"Grüße"}};
  const Case cases[] = {
      {"no title", {}, PropertyList(), shown, shown},
      {"empty title", {u""}, PropertyList(), shown, shown},
      {"title", {u"Wiki", u"dropped"}, PropertyList(), u"Wiki", u"Wiki"},
      {"title a file cannot end in", {u"..Wiki: A~"}, PropertyList(), u"..Wiki: A~", u"Wiki: A"},
      {"bookmark", {u"Wiki"}, bookmark, u"Wiki", u"Wiki"},
  };
  for (const Case& c : cases) {
    InMemoryPasteboard pb(u"test");
    if (c.bookmark.isNil()) {
      EXPECT_TRUE(copyURLsToPasteboard({url}, pb, c.titles)) << c.name;
    } else {
      EXPECT_TRUE(copyToPasteboard(url, pb, c.titles.front(), c.bookmark)) << c.name;
    }
    std::vector<String> declared =
        types({NSStringPboardType, NSURLPboardType, CorePasteboardFlavorTypeURL,
               CorePasteboardFlavorTypeURLName, WebURLsWithTitlesPboardType});
    if (!c.bookmark.isNil()) declared.emplace_back(BookmarksPboardType);
    EXPECT_EQ(pb.types(), declared) << c.name;
    EXPECT_EQ(pb.stringForType(NSStringPboardType), url.absoluteString());
    EXPECT_EQ(pb.stringForType(CorePasteboardFlavorTypeURL), url.absoluteString());
    EXPECT_EQ(URL(pb), url.absoluteString());  // read out of NSURLPboardType's list
    EXPECT_EQ(pb.stringForType(CorePasteboardFlavorTypeURLName), c.cleaned) << c.name;
    EXPECT_EQ(pb.propertyListForType(WebURLsWithTitlesPboardType),
              PropertyList(Array{Array{url.absoluteString()}, Array{c.title}}))
        << c.name;
    EXPECT_EQ(pb.propertyListForType(BookmarksPboardType), c.bookmark) << c.name;
  }

  // The plain form: the link and a local file's path as text.
  InMemoryPasteboard pb(u"test");
  const NSURL file = link(u"file:///tmp/a%20b");
  EXPECT_TRUE(copyToPasteboard(file, pb));
  EXPECT_EQ(pb.types(), types({NSURLPboardType, NSStringPboardType}));
  EXPECT_EQ(pb.stringForType(NSStringPboardType), String(u"/tmp/a b"));
  EXPECT_EQ(NSURL::URLFromPasteboard(pb), file);
}

}  // namespace
}  // namespace orvin
