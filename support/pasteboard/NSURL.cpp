#include "support/pasteboard/NSURL.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <string_view>
#include <utility>

#include "chars/StringPredicates.h"
#include "chars/TextEncodings.h"
#include "paths/PathComponents.h"
#include "support/pasteboard/internal/UriSyntax.h"

namespace orvin {
namespace {

using detail::asciiEqualNoCase;
using detail::parseUri;
using detail::percentDecoded;
using detail::UriParts;

// Strict UTF-8 of `s` without U+0000, as file names and links need it.
std::optional<std::string> utf8Text(const String& s) {
  std::optional<std::string> bytes = bytesOfString(s, NSUTF8StringEncoding);
  if (!bytes || bytes->find('\0') != std::string::npos) return std::nullopt;
  return bytes;
}

// Decoded text of an escaped component; nil when it is no UTF-8 text.
String decodedText(std::string_view escaped) {
  const std::optional<std::string> bytes = percentDecoded(escaped);
  if (!bytes || bytes->find('\0') != std::string::npos) return String();
  return String::withUtf8(*bytes);
}

// Characters that must stay escaped when a link is shown, so that what a
// reader sees is what the link says.
bool staysEscaped(UChar32 c) {
  switch (u_charType(c)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SPACE_SEPARATOR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_UNASSIGNED:
    case U_PRIVATE_USE_CHAR:
    case U_SURROGATE:
      return true;
    default:
      return false;
  }
}

// `link` with each run of escapes that spells visible non-ASCII characters
// decoded; every other escape is kept.
std::string withReadableEscapes(std::string_view link) {
  std::string out;
  std::size_t i = 0;
  while (i < link.size()) {
    if (link[i] != '%') {
      out += link[i++];
      continue;
    }
    // The run of escapes starting here.
    std::size_t end = i;
    while (end + 2 < link.size() && link[end] == '%') end += 3;
    // A parsed link's escapes are all well-formed.
    const std::string bytes = percentDecoded(link.substr(i, end - i)).value_or(std::string());
    const auto* units = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
      const std::size_t start = at;
      UChar32 c;
      U8_NEXT(units, at, bytes.size(), c);
      if (c >= 0x80 && !staysEscaped(c)) {
        out.append(bytes, start, at - start);
      } else {
        out.append(link.substr(i + start * 3, (at - start) * 3));
      }
    }
    i = end;
  }
  return out;
}

}  // namespace

std::optional<NSURL> NSURL::URLWithString(const String& s) {
  if (s.isEmpty()) return std::nullopt;
  std::string text = s.toUtf8();
  if (!parseUri(text)) return std::nullopt;
  return NSURL(std::move(text));
}

std::optional<NSURL> NSURL::fileURLWithPath(const String& path) {
  const std::optional<std::string> bytes = utf8Text(path);
  if (!bytes || !bytes->starts_with('/')) return std::nullopt;
  return URLWithString(
      String("file://" + detail::percentEscaped(*bytes, detail::UriKeep::PathCharacters)));
}

std::optional<NSURL> NSURL::URLWithStringOrPath(const String& s) {
  if (s.isEmpty()) return std::nullopt;
  const unichar first = s.characterAtIndex(0);
  if (first == u'/') return fileURLWithPath(s);
  // "~user" stays relative, and so gives no link.
  if (first == u'~') return fileURLWithPath(stringByExpandingTildeInPath(s));
  std::optional<std::string> text = utf8Text(s);
  if (!text) return std::nullopt;
  if (hasPrefixNoCase(s, u"www.")) text->insert(0, "http://");
  if (parseUri(*text)) return NSURL(std::move(*text));
  std::string escaped = detail::percentEscaped(*text, detail::UriKeep::UriCharacters);
  if (!parseUri(escaped)) return std::nullopt;
  return NSURL(std::move(escaped));
}

std::optional<NSURL> NSURL::URLFromPasteboard(Pasteboard& pasteboard) {
  const String type(NSURLPboardType);
  const PropertyList plist = pasteboard.propertyListForType(type);
  String link = plist.stringValue();
  if (link.isNil()) link = plist.objectAtIndex(0).stringValue();
  if (link.isNil() && plist.isNil()) link = pasteboard.stringForType(type);
  return URLWithString(link);
}

String NSURL::absoluteString() const {
  return String(text_);
}

String NSURL::scheme() const {
  return String(parseUri(text_)->scheme);
}

String NSURL::host() const {
  return String(parseUri(text_)->host);
}

String NSURL::path() const {
  return decodedText(parseUri(text_)->path);
}

bool NSURL::isFileURL() const {
  return asciiEqualNoCase(parseUri(text_)->scheme, "file");
}

String NSURL::absoluteStringOrPath() const {
  const UriParts parts = *parseUri(text_);
  if (asciiEqualNoCase(parts.scheme, "file") &&
      (parts.host.empty() || asciiEqualNoCase(parts.host, "localhost"))) {
    const String path = decodedText(parts.path);
    if (!path.isEmpty()) return path;
  }
  return absoluteString();
}

String NSURL::proposedName() const {
  const UriParts parts = *parseUri(text_);
  std::string_view path = parts.path;
  while (path.ends_with('/')) path.remove_suffix(1);
  if (const auto slash = path.rfind('/'); slash != std::string_view::npos) {
    path.remove_prefix(slash + 1);
  }
  if (!path.empty()) {
    const String decoded = decodedText(path);
    return decoded.isEmpty() ? String(path) : decoded;
  }
  if (!parts.host.empty()) return String(parts.host);
  return absoluteString();
}

String NSURL::displayString() const {
  if (isFileURL()) {
    const String local = absoluteStringOrPath();
    if (local.characterAtIndex(0) == u'/') return local;
  }
  return String(withReadableEscapes(text_));
}

bool NSURL::writeToPasteboard(Pasteboard& pasteboard) const {
  return pasteboard.setPropertyList(PropertyList::Array{absoluteString(), String(u"")},
                                    String(NSURLPboardType));
}

}  // namespace orvin
