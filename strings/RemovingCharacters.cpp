#include "strings/RemovingCharacters.h"

#include <unicode/utf16.h>

#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "strings/FeedCharacters.h"
#include "strings/internal/UnitReading.h"
#include "strings/internal/UnitRewrite.h"

namespace orvin {
namespace {

using detail::rewriteInPlace;
using detail::Rewritten;
using detail::rewrittenString;

// When a filter reports a change: always (the result is then always a new
// string), or only when it dropped something.
enum class Report { always, whenDropped };

// Keeps the code units `keep` accepts, each mapped through `map`.
template <class Keep, class Map>
auto filter(Keep keep, Map map, Report report) {
  return [=](const unichar* in, NSUInteger n, unichar* out) {
    NSUInteger w = 0;
    for (NSUInteger r = 0; r < n; ++r) {
      const unichar c = in[r];
      if (keep(c)) out[w++] = map(c);
    }
    return Rewritten{w, report == Report::always || w != n};
  };
}

template <class Keep>
auto filter(Keep keep, Report report) {
  return filter(
      keep, [](unichar c) { return c; }, report);
}

// Each run of members becomes one `replacement`; a change is any member met.
template <class Member>
auto collapse(Member member, unichar replacement) {
  return [=](const unichar* in, NSUInteger n, unichar* out) {
    NSUInteger w = 0;
    bool changed = false;
    for (NSUInteger r = 0; r < n;) {
      const unichar c = in[r++];
      if (!member(c)) {
        out[w++] = c;
        continue;
      }
      changed = true;
      out[w++] = replacement;
      while (r < n && member(in[r])) ++r;
    }
    return Rewritten{w, changed};
  };
}

struct InRep {
  const std::uint8_t* rep;
  bool operator()(unichar c) const { return isInCharacterSetRep(rep, c); }
};
struct NotInRep {
  const std::uint8_t* rep;
  bool operator()(unichar c) const { return !isInCharacterSetRep(rep, c); }
};
// Membership in the space or white rep. Neither holds printable ASCII; when
// that holds (checked once per call), each letter of common text costs one
// comparison instead of a bitmap load.
class InSpacesRep {
 public:
  explicit InSpacesRep(const std::uint8_t* rep) : rep_(rep), printableAsciiFree_(true) {
    for (unichar c = 0x21; c < 0x7F; ++c) printableAsciiFree_ &= !isInCharacterSetRep(rep, c);
  }
  bool operator()(unichar c) const {
    if (printableAsciiFree_ && static_cast<unichar>(c - 0x21) < 0x5E) return false;
    return isInCharacterSetRep(rep_, c);
  }

 private:
  const std::uint8_t* rep_;
  bool printableAsciiFree_;
};

struct Through {
  const unichar* table;
  unichar operator()(unichar c) const { return table[c]; }
};

bool isNotFeed(unichar c) {
  return !isFeedCharacter(c);
}
bool isNotTab(unichar c) {
  return c != u'\t';
}

const std::uint8_t* spaceOrWhiteRep(bool feeds) {
  return feeds ? whiteCharacterSetRep() : spaceCharacterSetRep();
}

// Drops the digits and maps the rest through `table` (nullptr: the string
// itself, as when memory runs out).
String removingDigitsThrough(const String& s, const unichar* table) {
  const std::uint8_t* digits = digitCharacterSetRep();
  if (digits == nullptr || table == nullptr) return s;
  return rewrittenString(s, filter(NotInRep{digits}, Through{table}, Report::always));
}

// A new string with the filter applied, never the string itself ("" too).
template <class Keep>
String alwaysNewFiltered(const String& s, Keep keep) {
  if (s.isEmpty()) return s.isNil() ? s : detail::newSubstring(s, NSRange{0, 0});
  return rewrittenString(s, filter(keep, Report::always));
}

// In-place deletion of every code unit that `keep` rejects.
template <class Keep>
void removeInPlace(MutableString& s, Keep keep) {
  rewriteInPlace(s, filter(keep, Report::whenDropped));
}

void removeNotInRep(MutableString& s, const std::uint8_t* rep) {
  if (rep != nullptr) removeInPlace(s, NotInRep{rep});
}

template <class Member>
NSUInteger collapseInPlace(MutableString& s, Member member, unichar replacement) {
  rewriteInPlace(s, collapse(member, replacement));
  return s.length();
}

// Membership of a character, one code unit or a surrogate pair, in the
// characters of `set`, searched from its last code unit to its first. A
// pair matches only a pair; a lone unit matches only a unit that is not
// half of a pair in the set.
bool isInCharacters(const unichar* set, NSUInteger m, const unichar* c, NSUInteger units) {
  for (NSUInteger j = m; j-- > 0;) {
    const bool pairStart = U16_IS_LEAD(set[j]) && j + 1 < m && U16_IS_TRAIL(set[j + 1]);
    const bool pairEnd = U16_IS_TRAIL(set[j]) && j > 0 && U16_IS_LEAD(set[j - 1]);
    if (units == 2) {
      if (pairStart && set[j] == c[0] && set[j + 1] == c[1]) return true;
    } else if (!pairStart && !pairEnd && set[j] == c[0]) {
      return true;
    }
  }
  return false;
}

}  // namespace

String stringByRemovingCharactersInRep(const String& s, const std::uint8_t* rep) {
  if (rep == nullptr) return s;
  return rewrittenString(s, filter(NotInRep{rep}, Report::always));
}

String stringByRemovingWhiteCharacters(const String& s) {
  return stringByRemovingCharactersInRep(s, whiteCharacterSetRep());
}

String stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(const String& s,
                                                                           const unichar* table) {
  const std::uint8_t* alphaNum = alphaNumCharacterSetRep();
  if (alphaNum == nullptr) return s;
  if (table == nullptr) return rewrittenString(s, filter(InRep{alphaNum}, Report::always));
  return rewrittenString(s, filter(InRep{alphaNum}, Through{table}, Report::always));
}

String stringByApplyingConversionTable(const String& s, const unichar* table) {
  if (table == nullptr) return s;
  return rewrittenString(s, filter([](unichar) { return true; }, Through{table}, Report::always));
}

String stringByRemovingDigits(const String& s) {
  const std::uint8_t* digits = digitCharacterSetRep();
  if (digits == nullptr) return s;
  return rewrittenString(s, filter(NotInRep{digits}, Report::whenDropped));
}

String lowercaseStringByRemovingDigits(const String& s) {
  return removingDigitsThrough(s, lowerCharsTable());
}

String uppercaseStringByRemovingDigits(const String& s) {
  return removingDigitsThrough(s, upperCharsTable());
}

String stringByRemovingMultipleSpacesAndFeeds(const String& s, bool feeds) {
  const std::uint8_t* rep = spaceOrWhiteRep(feeds);
  if (rep == nullptr) return s;
  return rewrittenString(s, collapse(InSpacesRep(rep), u' '));
}

String stringByRemovingMultipleFeeds(const String& s) {
  return rewrittenString(s, collapse(isFeedCharacter, u'\n'));
}

String stringByRemovingFeeds(const String& s) {
  return alwaysNewFiltered(s, isNotFeed);
}

String stringByRemovingTabs(const String& s) {
  return alwaysNewFiltered(s, isNotTab);
}

String stringByRemovingSpaces(const String& s) {
  const std::uint8_t* rep = spaceCharacterSetRep();
  if (rep == nullptr) return s;
  return alwaysNewFiltered(s, NotInRep{rep});
}

void removeCharacters(MutableString& s, unichar c) {
  removeInPlace(s, [c](unichar u) { return u != c; });
}

void removeCharactersOfString(MutableString& s, const String& chars) {
  // A copy of its own: `chars` may be `s`, whose storage the edit rewrites.
  const String set = chars;
  (void)walkCharacters(set, false, false, [&s](const unichar* units, NSUInteger m) {
    rewriteInPlace(s, [units, m](const unichar* in, NSUInteger n, unichar* out) {
      NSUInteger w = 0;
      for (NSUInteger r = 0; r < n;) {
        const NSUInteger size = U16_IS_LEAD(in[r]) && r + 1 < n && U16_IS_TRAIL(in[r + 1]) ? 2 : 1;
        if (!isInCharacters(units, m, in + r, size)) {
          for (NSUInteger k = 0; k < size; ++k) out[w++] = in[r + k];
        }
        r += size;
      }
      return Rewritten{w, w != n};
    });
    return true;
  });
}

void removeFeeds(MutableString& s) {
  removeInPlace(s, isNotFeed);
}

void removeTabs(MutableString& s) {
  removeInPlace(s, isNotTab);
}

void removeSpaces(MutableString& s) {
  removeNotInRep(s, spaceCharacterSetRep());
}

void removeWhiteCharacters(MutableString& s) {
  removeNotInRep(s, whiteCharacterSetRep());
}

void removeDigits(MutableString& s) {
  removeNotInRep(s, digitCharacterSetRep());
}

NSUInteger removeMultipleSpacesAndFeeds(MutableString& s, bool feeds) {
  const std::uint8_t* rep = spaceOrWhiteRep(feeds);
  if (rep == nullptr) return s.length();
  return collapseInPlace(s, InSpacesRep(rep), u' ');
}

NSUInteger removeMultipleSpaces(MutableString& s) {
  return removeMultipleSpacesAndFeeds(s, false);
}

NSUInteger removeMultipleFeeds(MutableString& s) {
  return collapseInPlace(s, isFeedCharacter, u'\n');
}

}  // namespace orvin
