// Links on a pasteboard: asking whether and which links it holds, reading
// them as NSURLs, and writing one link (with its title and an optional
// bookmark) or a list of links in every form readers look for.
//
// Every writer declares its types itself (declaring empties the pasteboard)
// and stores all forms at once. Types compare exactly, case included.
#pragma once

#include <optional>
#include <vector>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/formats/PropertyList.h"
#include "support/pasteboard/NSURL.h"
#include "support/pasteboard/Pasteboard.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The first offered of the link-title types (CorePasteboardFlavorTypeURLName,
// "public.url-name"), or nil.
[[nodiscard]] String _typeForURLName(Pasteboard& pasteboard);
[[nodiscard]] bool containsURLName(Pasteboard& pasteboard);
// The link title the pasteboard holds, or nil.
//   URLName(pb)  // u"Example" after copyToPasteboard(url, pb, u"Example")
[[nodiscard]] String URLName(Pasteboard& pasteboard);

// The first offered of the link types (NSURLPboardType,
// CorePasteboardFlavorTypeURL, "Apple URL pasteboard type", "public.url"),
// or nil.
[[nodiscard]] String _typeForURL(Pasteboard& pasteboard);
[[nodiscard]] bool containsURL(Pasteboard& pasteboard);
// The link the pasteboard holds as a string (not an NSURL), unchecked, or
// nil: the text of _typeForURL; for NSURLPboardType, whose data is a
// property list [link, title], the link inside it.
//   URL(pb)  // u"https://example.com/"
[[nodiscard]] String URL(Pasteboard& pasteboard);

// Whether the pasteboard offers `type`; false for nil without asking it.
//   availableType(pb, NSStringPboardType)
[[nodiscard]] bool availableType(Pasteboard& pasteboard, const String& type);

// Whether the pasteboard holds a usable link: a link type; else the first
// offered of WebURLsWithTitlesPboardType, NSFilenamesPboardType and
// NSStringPboardType decides: text that is a link or a path
// (possibleInternetLocation, then NSURL::URLWithStringOrPath), a file list
// with a link file among them (resolveInternetLocation), or a link list,
// which counts without being looked at, even when it is empty. Note that
// URLsFromPasteboard cannot read a link list.
//   containsURLs(pb)  // true for "https://example.com/" as text
[[nodiscard]] bool containsURLs(Pasteboard& pasteboard);

// The links the pasteboard holds under `type`: NSURLPboardType (one link,
// NSURL::URLFromPasteboard), NSStringPboardType (the text as a link or
// path) or NSFilenamesPboardType (the links of the link files in the list,
// in order, possibly none). nullopt for any other type, for nil, and when
// the link or text type holds no link.
//   URLsFromPasteboard(pb, NSFilenamesPboardType)  // {} for a list of plain files
[[nodiscard]] std::optional<std::vector<NSURL>> URLsFromPasteboard(Pasteboard& pasteboard,
                                                                   const String& type);

// Writes `urls`: nothing for none; one link as copyToPasteboard(url, pb,
// first title) does; several as a link list under WebURLsWithTitlesPboardType,
// the property list [[link, ...], [title, ...]], and one line per link
// ("%@\n", the path of a local file) under NSStringPboardType, declared in
// that order with `urls` as owner. Titles pair with links by position and
// there is exactly one per link: a missing or nil title is the link's
// proposedName, titles beyond the last link are dropped. Answers whether
// every form was stored.
//   copyURLsToPasteboard({a, b}, pb, {u"A"})  // titles {u"A", b.proposedName()}
bool copyURLsToPasteboard(const std::vector<NSURL>& urls, Pasteboard& pasteboard,
                          const std::vector<String>& titles = {});

// Writes the link under NSURLPboardType (its own form, see
// NSURL::writeToPasteboard) and NSStringPboardType (absoluteStringOrPath).
//   copyToPasteboard(url, pb)
bool copyToPasteboard(const NSURL& url, Pasteboard& pasteboard);

// Writes the link with a title (the URL's displayString when `title` is nil
// or empty) and, when `bookmark` is not nil, the bookmark property list.
// Declared and stored: NSStringPboardType (the link), NSURLPboardType,
// CorePasteboardFlavorTypeURL (the link), CorePasteboardFlavorTypeURLName
// (the title without the characters a file name cannot start or end with),
// WebURLsWithTitlesPboardType ([[link], [title]]) and BookmarksPboardType.
// Answers whether every form was stored.
//   copyToPasteboard(url, pb, u"Example", PropertyList())
bool copyToPasteboard(const NSURL& url, Pasteboard& pasteboard, const String& title,
                      const PropertyList& bookmark = PropertyList());

}  // namespace orvin
ORVIN_PUBLIC_END
