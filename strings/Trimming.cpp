#include "strings/Trimming.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "chars/CharacterSetReps.h"
#include "chars/StandardWalk.h"
#include "chars/internal/MutableStringAccess.h"
#include "strings/FeedCharacters.h"
#include "strings/internal/UnitReading.h"

namespace orvin {
namespace {

using detail::constantEmptyString;
using detail::scanUnits;

// The kept code units [first, end); empty when first == end.
struct Span {
  NSUInteger first = 0;
  NSUInteger end = 0;
};

enum Ends : unsigned { kStart = 1, kEnd = 2, kBoth = 3 };

// Trims members from the chosen ends of [first, end) of `s`. Scanning from
// both ends, the first non-member found from the start also stops the scan
// from the end, so a kept span is never empty.
template <class Member>
Span trimmedSpan(const String& s, Span span, unsigned ends, Member&& member) {
  return scanUnits(s, [&](auto at) {
    if (ends & kStart) {
      while (span.first < span.end && member(at(span.first))) ++span.first;
    }
    if (ends & kEnd) {
      while (span.end > span.first && member(at(span.end - 1))) --span.end;
    }
    return span;
  });
}

// Membership in a rep; a rep that could not be built has no members.
struct InRep {
  const std::uint8_t* rep;
  bool operator()(unichar c) const { return rep != nullptr && isInCharacterSetRep(rep, c); }
};

InRep spaceOrWhite(bool feeds) {
  return InRep{feeds ? whiteCharacterSetRep() : spaceCharacterSetRep()};
}

// The usual result rules: the string itself when nothing is trimmed (and for
// nil and ""), the constant "" when nothing is kept, else a new substring.
template <class Member>
String trimmedString(const String& s, unsigned ends, Member&& member) {
  const NSUInteger length = s.length();
  if (length == 0) return s;
  const Span kept = trimmedSpan(s, Span{0, length}, ends, member);
  if (kept.first == kept.end) return constantEmptyString();
  return s.substring(NSRange{kept.first, kept.end - kept.first});
}

// `range` cut at the string's end, with a saturating end.
Span clampedSpan(NSRange range, NSUInteger length) {
  const NSUInteger first = std::min(range.location, length);
  const NSUInteger end = range.length > length - first ? length : first + range.length;
  return Span{first, end};
}

bool isQuote(unichar c) {
  return c == u'"' || c == u'\'';
}
bool isEllipsis(unichar c) {
  return c == u'.' || c == u'\u2026';
}

// The platform's white space: the Unicode White_Space property.
bool isUnicodeWhiteSpace(unichar c) {
  return u_isUWhiteSpace(c) != 0;
}

// The kept span as a string of its own, never the string itself (nil for
// nil).
template <class Member>
String newTrimmedString(const String& s, unsigned ends, Member&& member) {
  if (s.isNil()) return s;
  const NSUInteger length = s.length();
  const Span kept = length == 0 ? Span{} : trimmedSpan(s, Span{0, length}, ends, member);
  return detail::newSubstring(s, NSRange{kept.first, kept.end - kept.first});
}

// Trims `s` in place to what trimmedSpan keeps, with one move (one copy of
// the kept code units when the text is shared or compact). Without memory
// for that copy the text stays as it was.
template <class Member>
void trimInPlace(MutableString& s, unsigned ends, Member&& member) {
  const NSUInteger length = s.length();
  if (length == 0) return;
  const Span kept = trimmedSpan(s, Span{0, length}, ends, member);
  const NSUInteger keptLength = kept.end - kept.first;
  if (keptLength == length) return;
  if (!detail::MutableStringAccess::holdsUnsharedUtf16(s)) {
    // Shared or compact text: copy only what is kept.
    const String keptText = s.substring(NSRange{kept.first, keptLength});
    if (!keptText.isNil()) s = MutableString(keptText);
    return;
  }
  unichar* units = detail::MutableStringAccess::uniqueCharacters(s);  // no copy here
  if (units == nullptr) return;
  std::memmove(units, units + kept.first, keptLength * sizeof(unichar));
  detail::MutableStringAccess::truncate(s, keptLength);
}

}  // namespace

String stringByTrimmingSpacesOfLeftSideAndFeeds(const String& s, bool feeds) {
  return trimmedString(s, kStart, spaceOrWhite(feeds));
}

String stringByTrimmingSpacesOfRightSideAndFeeds(const String& s, bool feeds) {
  return trimmedString(s, kEnd, spaceOrWhite(feeds));
}

String stringByTrimmingSpacesAndFeeds(const String& s, bool feeds) {
  if (!s.isNil() && s.isEmpty()) return constantEmptyString();
  return trimmedString(s, kBoth, spaceOrWhite(feeds));
}

String stringByTrimmingSpacesInRange(const String& s, NSRange range, bool feeds) {
  if (s.isNil()) return s;
  const NSRange kept = trimSpacesInRange(s, range, feeds);
  if (kept.length == 0) return constantEmptyString();
  return detail::newSubstring(s, kept);
}

String stringByTrimmingCharacter(const String& s, unichar c) {
  return trimmedString(s, kBoth, [c](unichar u) { return u == c; });
}

String stringByTrimmingPrefixCharacter(const String& s, unichar c) {
  return trimmedString(s, kStart, [c](unichar u) { return u == c; });
}

String stringByTrimmingSuffixCharacter(const String& s, unichar c) {
  return trimmedString(s, kEnd, [c](unichar u) { return u == c; });
}

String stringByTrimmingEnclosingCharacter(const String& s, unichar c) {
  const NSUInteger length = s.length();
  if (length < 2) return s;
  const NSUInteger pairs =
      walkCharacters(s, NSUInteger{0}, NSUInteger{0}, [c](const unichar* units, NSUInteger n) {
        NSUInteger k = 0;
        while (k < n / 2 && units[k] == c && units[n - 1 - k] == c) ++k;
        return k;
      });
  if (pairs == 0) return s;
  return s.substring(NSRange{pairs, length - 2 * pairs});
}

String stringByTrimmingQuotes(const String& s) {
  return trimmedString(s, kBoth, isQuote);
}

String stringByTrimmingEllipsis(const String& s) {
  return trimmedString(s, kEnd, isEllipsis);
}

String stringByTrimmingDigits(const String& s) {
  return trimmedString(s, kBoth, InRep{digitCharacterSetRep()});
}

String stringByTrimmingFeeds(const String& s) {
  return newTrimmedString(s, kEnd, isFeedCharacter);
}

String stringByTrimmingWhiteSpaces(const String& s) {
  return newTrimmedString(s, kBoth, isUnicodeWhiteSpace);
}

NSRange trimWhiteSpacesInRange(const String& s, NSRange range) {
  return trimSpacesInRange(s, range, true);
}

NSRange trimSpacesInRange(const String& s, NSRange range, bool feeds) {
  const Span span = clampedSpan(range, s.length());
  if (span.first == span.end) return NSRange{span.end, 0};
  const Span kept = trimmedSpan(s, span, kBoth, spaceOrWhite(feeds));
  if (kept.first == kept.end) return NSRange{span.end, 0};
  return NSRange{kept.first, kept.end - kept.first};
}

void trimWhiteSpaces(MutableString& s) {
  trimInPlace(s, kBoth, isUnicodeWhiteSpace);
}

void trimCharacter(MutableString& s, unichar c) {
  trimInPlace(s, kBoth, [c](unichar u) { return u == c; });
}

void trimPrefixCharacter(MutableString& s, unichar c) {
  trimInPlace(s, kStart, [c](unichar u) { return u == c; });
}

void trimSuffixCharacter(MutableString& s, unichar c) {
  trimInPlace(s, kEnd, [c](unichar u) { return u == c; });
}

void trimFeeds(MutableString& s) {
  trimInPlace(s, kEnd, isFeedCharacter);
}

}  // namespace orvin
