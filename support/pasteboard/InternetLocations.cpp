#include "support/pasteboard/InternetLocations.h"

#include <unicode/uchar.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "chars/StringPredicates.h"
#include "chars/TextFiles.h"
#include "strings/Trimming.h"
#include "support/pasteboard/internal/LinkFiles.h"
#include "support/pasteboard/internal/UriSyntax.h"

namespace orvin {
namespace {

// Schemes whose links carry no "//".
constexpr std::array<std::string_view, 5> kOpaqueLinkSchemes = {"mailto", "news", "tel", "urn",
                                                                "magnet"};

bool isBlank(unichar c) {
  return u_isUWhiteSpace(c) || u_iscntrl(c);
}

bool holdsCharacter(const std::u16string& text, bool (*test)(unichar)) {
  for (const char16_t c : text) {
    if (test(c)) return true;
  }
  return false;
}

bool isLineBreak(unichar c) {
  return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029 || c == 0x85 || c == 0x0B ||
         c == 0x0C;
}

bool startsWithScheme(const std::u16string& text) {
  // A scheme is ASCII; narrowing the rest does not matter for the test.
  std::string head;
  for (const char16_t c : text.substr(0, 64)) head += c < 0x80 ? static_cast<char>(c) : '?';
  const std::size_t length = detail::schemeLength(head);
  if (length == 0 || length + 1 == text.size()) return false;
  if (std::string_view(head).substr(length + 1).starts_with("//")) return true;
  for (const std::string_view scheme : kOpaqueLinkSchemes) {
    if (detail::asciiEqualNoCase(std::string_view(head).substr(0, length), scheme)) return true;
  }
  return false;
}

}  // namespace

String possibleInternetLocation(const String& s) {
  const String trimmed = stringByTrimmingSpacesAndFeeds(s, true);
  if (trimmed.isEmpty()) return String();
  const std::u16string text = trimmed.toU16String();
  if (text.front() == u'/' || (text.front() == u'~' && (text.size() == 1 || text[1] == u'/'))) {
    return holdsCharacter(text, isLineBreak) ? String() : trimmed;
  }
  if (holdsCharacter(text, isBlank)) return String();
  if (text.size() > 4 && hasPrefixNoCase(trimmed, u"www.")) return trimmed;
  return startsWithScheme(text) ? trimmed : String();
}

String resolveInternetLocation(const String& path) {
  const bool desktopEntry = hasSuffixNoCase(path, u".desktop");
  if (!desktopEntry && !hasSuffixNoCase(path, u".url")) return String();
  const std::optional<std::string> content = readFileBytes(path, kLinkFileMaxBytes);
  if (!content) return String();
  return desktopEntry ? detail::linkOfDesktopEntry(*content)
                      : detail::linkOfInternetShortcut(*content);
}

}  // namespace orvin
