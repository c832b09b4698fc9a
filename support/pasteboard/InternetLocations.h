// Finding links where people leave them: in pasted text, and in the link
// files desktops make (a freedesktop.org desktop entry of Type=Link, a
// Windows internet shortcut).
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The text, trimmed of white space and feeds at both ends, when it may name
// a link: an absolute path or one starting with "~" or "~/" (one line), or a
// single word that starts with "www." or with a scheme followed by "//" or
// one of the schemes of links without a path, mailto:, news:, tel:, urn:
// and magnet:. nil otherwise, so that text such as "Re:meeting" is no link.
// Whether it parses is for NSURL::URLWithStringOrPath to say.
//   possibleInternetLocation(u"  https://example.com/\n")  // u"https://example.com/"
//   possibleInternetLocation(u"see https://example.com/")  // nil: not one word
[[nodiscard]] String possibleInternetLocation(const String& s);

// The link that the file at `path` stands for: the URL of a ".desktop" file
// that is a link entry, or of a ".url" internet shortcut (the extension in
// any letter case); nil for every other file, and for one larger than
// kLinkFileMaxBytes. The link is given as written, unchecked.
//   resolveInternetLocation(u"/home/anna/Desktop/Wiki.desktop")  // u"https://..."
[[nodiscard]] String resolveInternetLocation(const String& path);

// Link files are small; larger ones are not read.
inline constexpr NSUInteger kLinkFileMaxBytes = 64 * 1024;

}  // namespace orvin
ORVIN_PUBLIC_END
