#include "paths/SubstringSearch.h"

#include <algorithm>
#include <cstring>

#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"
#include "chars/StringServices.h"

namespace orvin {
namespace {

constexpr NSRange kNotFound{NSNotFound, 0};

bool found(NSRange r) {
  return r.location != NSNotFound;
}

// The first (or, backwards, the last) occurrence in [from, to) other than
// `skip`.
NSRange searchBetween(const String& s, const String& needle, NSUInteger options, NSUInteger from,
                      NSUInteger to, NSRange skip) {
  while (from < to) {
    const NSRange r = rangeOfString(s, needle, options, NSRange{from, to - from});
    if (!found(r) || r.location != skip.location || r.length != skip.length) return r;
    if (options & kCompareBackwards)
      to = NSMaxRange(r) - 1;
    else
      from = r.location + 1;
  }
  return kNotFound;
}

template <class Unit>
bool containsAnyNeedle(const Unit* units, NSUInteger length, std::span<const char* const> needles,
                       const unichar* table) {
  auto unitAt = [&](NSUInteger i) -> unichar {
    return table != nullptr ? table[units[i]] : static_cast<unichar>(units[i]);
  };
  // A byte of 128 or above matches nothing (as a signed byte it is no code unit).
  auto byteUnit = [&](char byte) -> int {
    if (static_cast<signed char>(byte) < 0) return -1;
    return table != nullptr ? table[static_cast<unsigned char>(byte)] : byte;
  };
  for (const char* needle : needles) {
    if (needle == nullptr) continue;
    const std::size_t n = std::strlen(needle);
    if (n == 0 || n > length) continue;
    const int first = byteUnit(needle[0]);
    if (first < 0) continue;
    for (NSUInteger p = 0; p + n <= length; ++p) {
      if (unitAt(p) != first) continue;
      std::size_t k = 1;
      while (k < n && byteUnit(needle[k]) == unitAt(p + k)) ++k;
      if (k == n) return true;
    }
  }
  return false;
}

// Matches `needle` against the whole of `s` or inside it.
bool occursIn(const String& s, NSUInteger length, const String& needle, NSUInteger options) {
  const NSUInteger n = needle.length();
  if (needle.isNil() || n > length) return false;
  if (n == length) return compareRange(s, NSRange{0, length}, needle, options) == NSOrderedSame;
  return found(rangeOfString(s, needle, options, NSRange{0, length}));
}

}  // namespace

NSRange findString(const String& s, const String& needle, NSRange range, CaseMode mode,
                   SearchDirection direction, bool wrap) {
  const NSUInteger length = s.length();
  const NSUInteger n = needle.length();
  if (n == 0 || !rangeFitsLength(range, length)) return kNotFound;
  const NSUInteger end = NSMaxRange(range);
  NSUInteger options = compareOptions(mode);
  if (direction == SearchDirection::forward) {
    const NSRange next = searchBetween(s, needle, options, end, length, kNotFound);
    if (found(next) || !wrap || end == 0) return next;
    // Every occurrence that starts before the selection's end.
    return searchBetween(s, needle, options, 0, std::min(length, end - 1 + n), range);
  }
  options |= kCompareBackwards;
  const NSRange previous = searchBetween(s, needle, options, 0, range.location, kNotFound);
  if (found(previous) || !wrap || range.location == length) return previous;
  // Every occurrence that ends after the selection's start.
  const NSUInteger from = range.location + 1 > n ? range.location + 1 - n : 0;
  return searchBetween(s, needle, options, from, length, range);
}

bool containsSubstring(const String& s, const String& needle, CaseMode mode) {
  const NSUInteger length = s.length();
  if (length == 0) return false;
  return occursIn(s, length, needle, compareOptions(mode));
}

NSUInteger countSubstring(const String& s, const String& needle, CaseMode mode) {
  const NSUInteger length = s.length();
  if (length == 0 || needle.isEmpty()) return 0;
  NSUInteger count = 0;
  for (NSUInteger at = 0; at < length;) {
    const NSRange r = rangeOfString(s, needle, compareOptions(mode), NSRange{at, length - at});
    if (!found(r)) break;
    ++count;
    at = NSMaxRange(r);
  }
  return count;
}

bool containsSubstrings(const String& s, std::span<const String> needles, CaseMode mode) {
  const NSUInteger length = s.length();
  if (length == 0) return false;
  return std::any_of(needles.begin(), needles.end(), [&](const String& needle) {
    return occursIn(s, length, needle, compareOptions(mode));
  });
}

bool containsSubCStrings(const String& s, std::span<const char* const> needles, CaseMode mode) {
  if (mode == CaseMode::sensitive) return fastContainsSubCStrings(s, needles, nullptr);
  const unichar* table = lowerCharsTable();
  return table != nullptr && fastContainsSubCStrings(s, needles, table);
}

bool fastContainsSubCStrings(const String& s, std::span<const char* const> needles,
                             const unichar* table) {
  const NSUInteger length = s.length();
  if (length == 0) return false;
  return withDirectUnits(s, NSRange{0, length}, [&](const auto* units, NSUInteger n) {
    return containsAnyNeedle(units, n, needles, table);
  });
}

}  // namespace orvin
