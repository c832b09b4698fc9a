#include "support/pasteboard/PasteboardLinks.h"

#include "chars/MutableString.h"
#include "paths/FileNames.h"
#include "support/pasteboard/InternetLocations.h"

namespace orvin {
namespace {

using Array = PropertyList::Array;

// The link that the pasteboard's text names, if any.
std::optional<NSURL> linkInText(Pasteboard& pasteboard) {
  const String location =
      possibleInternetLocation(pasteboard.stringForType(String(NSStringPboardType)));
  if (location.isNil()) return std::nullopt;
  return NSURL::URLWithStringOrPath(location);
}

// The links of the link files in the pasteboard's file list, in order; only
// the first when `firstOnly`.
std::vector<NSURL> linksOfFiles(Pasteboard& pasteboard, bool firstOnly) {
  std::vector<NSURL> links;
  const PropertyList files = pasteboard.propertyListForType(String(NSFilenamesPboardType));
  for (const PropertyList& file : files.arrayValue()) {
    if (auto link = NSURL::URLWithString(resolveInternetLocation(file.stringValue()))) {
      links.push_back(std::move(*link));
      if (firstOnly) break;
    }
  }
  return links;
}

}  // namespace

String _typeForURLName(Pasteboard& pasteboard) {
  return pasteboard.availableTypeFromArray({CorePasteboardFlavorTypeURLName, u"public.url-name"});
}

bool containsURLName(Pasteboard& pasteboard) {
  return !_typeForURLName(pasteboard).isNil();
}

String URLName(Pasteboard& pasteboard) {
  const String type = _typeForURLName(pasteboard);
  return type.isNil() ? String() : pasteboard.stringForType(type);
}

String _typeForURL(Pasteboard& pasteboard) {
  return pasteboard.availableTypeFromArray(
      {NSURLPboardType, CorePasteboardFlavorTypeURL, u"Apple URL pasteboard type", u"public.url"});
}

bool containsURL(Pasteboard& pasteboard) {
  return !_typeForURL(pasteboard).isNil();
}

String URL(Pasteboard& pasteboard) {
  const String type = _typeForURL(pasteboard);
  if (type.isNil()) return String();
  if (type != NSURLPboardType) return pasteboard.stringForType(type);
  const PropertyList plist = pasteboard.propertyListForType(type);
  const String link = plist.objectAtIndex(0).stringValue();
  return link.isNil() ? plist.stringValue() : link;
}

bool availableType(Pasteboard& pasteboard, const String& type) {
  return !type.isNil() && !pasteboard.availableTypeFromArray({type}).isNil();
}

bool containsURLs(Pasteboard& pasteboard) {
  if (containsURL(pasteboard)) return true;
  const String type = pasteboard.availableTypeFromArray(
      {WebURLsWithTitlesPboardType, NSFilenamesPboardType, NSStringPboardType});
  if (type.isNil()) return false;
  if (type == NSStringPboardType) return linkInText(pasteboard).has_value();
  if (type == NSFilenamesPboardType) return !linksOfFiles(pasteboard, true).empty();
  return true;  // a link list, whatever it holds
}

std::optional<std::vector<NSURL>> URLsFromPasteboard(Pasteboard& pasteboard, const String& type) {
  std::optional<NSURL> one;
  if (type == NSURLPboardType) {
    one = NSURL::URLFromPasteboard(pasteboard);
  } else if (type == NSStringPboardType) {
    one = linkInText(pasteboard);
  } else if (type == NSFilenamesPboardType) {
    return linksOfFiles(pasteboard, false);
  }
  if (!one) return std::nullopt;
  return std::vector<NSURL>{std::move(*one)};
}

bool copyURLsToPasteboard(const std::vector<NSURL>& urls, Pasteboard& pasteboard,
                          const std::vector<String>& titles) {
  if (urls.empty()) return false;
  if (urls.size() == 1) {
    return copyToPasteboard(urls.front(), pasteboard, titles.empty() ? String() : titles.front());
  }
  Array links;
  Array names;
  MutableString text;
  for (std::size_t i = 0; i < urls.size(); ++i) {
    links.emplace_back(urls[i].absoluteString());
    const bool titled = i < titles.size() && !titles[i].isNil();
    names.emplace_back(titled ? titles[i] : urls[i].proposedName());
    text.appendString(urls[i].absoluteStringOrPath());
    text.appendString(u"\n");
  }
  pasteboard.declareTypes({WebURLsWithTitlesPboardType, NSStringPboardType}, &urls);
  const bool listed = pasteboard.setPropertyList(Array{std::move(links), std::move(names)},
                                                 String(WebURLsWithTitlesPboardType));
  return pasteboard.setString(text, String(NSStringPboardType)) && listed;
}

bool copyToPasteboard(const NSURL& url, Pasteboard& pasteboard) {
  pasteboard.declareTypes({NSURLPboardType, NSStringPboardType}, nullptr);
  const bool text = pasteboard.setString(url.absoluteStringOrPath(), String(NSStringPboardType));
  return url.writeToPasteboard(pasteboard) && text;
}

bool copyToPasteboard(const NSURL& url, Pasteboard& pasteboard, const String& title,
                      const PropertyList& bookmark) {
  const String link = url.absoluteString();
  const String name = title.isEmpty() ? url.displayString() : title;
  std::vector<String> types{NSStringPboardType, NSURLPboardType, CorePasteboardFlavorTypeURL,
                            CorePasteboardFlavorTypeURLName, WebURLsWithTitlesPboardType};
  if (!bookmark.isNil()) types.emplace_back(BookmarksPboardType);
  pasteboard.declareTypes(types, nullptr);

  bool stored = url.writeToPasteboard(pasteboard);
  stored = pasteboard.setString(link, String(CorePasteboardFlavorTypeURL)) && stored;
  // Readers make a file of the link under this name.
  const String fileName = stringByTrimmingInvalidFilenameCharacters(name);
  stored = pasteboard.setString(fileName, String(CorePasteboardFlavorTypeURLName)) && stored;
  stored = pasteboard.setPropertyList(Array{Array{link}, Array{name}},
                                      String(WebURLsWithTitlesPboardType)) &&
           stored;
  stored = pasteboard.setString(link, String(NSStringPboardType)) && stored;
  if (!bookmark.isNil()) {
    stored = pasteboard.setPropertyList(bookmark, String(BookmarksPboardType)) && stored;
  }
  return stored;
}

}  // namespace orvin
