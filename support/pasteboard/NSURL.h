// NSURL: a link as pasteboards carry it, an absolute URI (RFC 3986) held as
// its text. An NSURL is always well-formed: the factories answer nullopt
// for text that is not an absolute URI, so holders never check.
//
// Only what links on a pasteboard need is parsed: the scheme, the host and
// the path. Text is kept as given (no case or escape normalization), so two
// spellings of one resource are two different links.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/pasteboard/Pasteboard.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

class NSURL {
 public:
  // The link `s` names: an absolute URI of ASCII URI characters with
  // well-formed escapes; nullopt for anything else (a relative reference,
  // a space, non-ASCII text, nil).
  //   NSURL::URLWithString(u"https://example.com/a%20b")  // a link
  //   NSURL::URLWithString(u"example.com")                // nullopt: no scheme
  [[nodiscard]] static std::optional<NSURL> URLWithString(const String& s);

  // A file: URL for an absolute path, its bytes escaped as a path needs;
  // nullopt for a relative path, U+0000 or an unpaired surrogate.
  //   NSURL::fileURLWithPath(u"/tmp/a b")->absoluteString()  // u"file:///tmp/a%20b"
  [[nodiscard]] static std::optional<NSURL> fileURLWithPath(const String& path);

  // A link made from what a person types or pastes: an absolute path or one
  // starting with "~" or "~/" (the home folder) gives a file: URL; text
  // starting with "www." becomes an http: link; anything else must carry a
  // scheme. Characters a URI cannot hold (spaces, non-ASCII letters, a
  // stray "%") are percent-escaped first. nullopt when no link results.
  //   NSURL::URLWithStringOrPath(u"www.example.com/Grüße")
  //   // http://www.example.com/Gr%C3%BC%C3%9Fe
  [[nodiscard]] static std::optional<NSURL> URLWithStringOrPath(const String& s);

  // The link a pasteboard holds under NSURLPboardType: the property list
  // [link, title] (as writeToPasteboard stores it), a bare string list, or
  // plain link text; nullopt when there is none or it is no link.
  //   NSURL::URLFromPasteboard(pb)
  [[nodiscard]] static std::optional<NSURL> URLFromPasteboard(Pasteboard& pasteboard);

  // The whole link as given.
  [[nodiscard]] String absoluteString() const;
  // The scheme as written ("HTTPS" stays so).
  [[nodiscard]] String scheme() const;
  // The host, without user information and port; empty when there is none.
  //   NSURL::URLWithString(u"http://u@[::1]:80/")->host()  // u"[::1]"
  [[nodiscard]] String host() const;
  // The path with its escapes undone; nil when they do not decode to UTF-8
  // text or decode to U+0000.
  //   NSURL::URLWithString(u"file:///tmp/a%20b")->path()  // u"/tmp/a b"
  [[nodiscard]] String path() const;
  // True for the "file" scheme, in any letter case.
  [[nodiscard]] bool isFileURL() const;

  // The file's path for a file: URL on this machine (no host or
  // "localhost"), else the link itself.
  //   fileURL.absoluteStringOrPath()  // u"/tmp/a b"
  [[nodiscard]] String absoluteStringOrPath() const;
  // A short name for the link, never nil or empty: the last non-empty path
  // component (decoded), else the host, else the link.
  //   NSURL::URLWithString(u"https://example.com/docs/report.pdf")->proposedName()
  //   // u"report.pdf"
  [[nodiscard]] String proposedName() const;
  // The link as people read it, never nil or empty: a local file's path; for
  // other links the text with escapes of non-ASCII letters undone (escapes
  // of ASCII, of spaces and of invisible or control characters stay, so
  // the text still names the same link).
  //   NSURL::URLWithString(u"https://de.wikipedia.org/wiki/Gr%C3%BC%C3%9Fe")->displayString()
  //   // u"https://de.wikipedia.org/wiki/Grüße"
  [[nodiscard]] String displayString() const;

  // Stores the link for NSURLPboardType as the property list [link, ""],
  // which the pasteboard must already declare; false when it does not.
  //   url.writeToPasteboard(pb)
  bool writeToPasteboard(Pasteboard& pasteboard) const;

  friend bool operator==(const NSURL&, const NSURL&) = default;

 private:
  explicit NSURL(std::string text) : text_(std::move(text)) {}
  std::string text_;  // ASCII, a valid absolute URI
};

}  // namespace orvin
ORVIN_PUBLIC_END
