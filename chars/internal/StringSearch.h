// The code-unit kernels behind comparison and search: equality, order and
// exact search over units already in memory, in either storage form (UTF-16
// units, or the bytes of compact storage, each the code unit of the same
// value), so that no operation has to widen a compact string to read it.
// rangeOfString and MutableString::replaceOccurrencesOfString share them, so
// a find-and-replace reads its text once instead of once per match.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "chars/Types.h"

namespace orvin::detail {

// Index of the first unit where `a` and `b` differ, or n when none does.
//   mismatchUnits(u"abc", u"abd", 3)  // 2
template <class A, class B>
[[nodiscard]] NSUInteger mismatchUnits(const A* a, const B* b, NSUInteger n) noexcept {
  NSUInteger i = 0;
  if constexpr (std::is_same_v<A, B>) {
    // Whole blocks through memcmp; the differing block unit by unit.
    constexpr NSUInteger kBlock = 256;
    while (i + kBlock <= n && std::memcmp(a + i, b + i, kBlock * sizeof(A)) == 0) i += kBlock;
    // Then eight bytes at a time: short texts (names, keys) differ early.
    if constexpr (std::endian::native == std::endian::little) {
      constexpr NSUInteger kWord = 8 / sizeof(A);
      for (; i + kWord <= n; i += kWord) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) return i + static_cast<NSUInteger>(std::countr_zero(x ^ y)) / (8 * sizeof(A));
      }
    }
  } else {
    // Branch-free blocks, so the compiler can widen and compare in vectors.
    constexpr NSUInteger kBlock = 32;
    for (; i + kBlock <= n; i += kBlock) {
      unsigned diff = 0;
      for (NSUInteger k = 0; k < kBlock; ++k) diff |= unsigned(a[i + k]) ^ unsigned(b[i + k]);
      if (diff != 0) break;
    }
  }
  while (i < n && unichar(a[i]) == unichar(b[i])) ++i;
  return i;
}

// Code-unit order of two texts: -1, 0 or 1.
template <class A, class B>
[[nodiscard]] int compareUnits(const A* a, NSUInteger aLength, const B* b,
                               NSUInteger bLength) noexcept {
  const NSUInteger common = aLength < bLength ? aLength : bLength;
  const NSUInteger at = mismatchUnits(a, b, common);
  if (at < common) return unichar(a[at]) < unichar(b[at]) ? -1 : 1;
  return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

// The first position p at or after `from` and below `count` where
// hay[p] == first and hay[p + gap] == last, or `count`. hay must hold
// count + gap units.
[[nodiscard]] NSUInteger findUnitPair(const unichar* hay, NSUInteger from, NSUInteger count,
                                      unichar first, unichar last, NSUInteger gap) noexcept;
[[nodiscard]] NSUInteger findUnitPair(const std::uint8_t* hay, NSUInteger from, NSUInteger count,
                                      unichar first, unichar last, NSUInteger gap) noexcept;

// The first index at or after `from` and below `count` that may hold a line
// end: a unit up to U+000D, U+2028, U+2029, U+FEFF or U+FFFC (the feed
// characters and the controls beside them), or `count`.
//   findFeedCandidate(u"ab\ncd", 0, 5)  // 2
[[nodiscard]] NSUInteger findFeedCandidate(const unichar* p, NSUInteger from,
                                           NSUInteger count) noexcept;
[[nodiscard]] NSUInteger findFeedCandidate(const std::uint8_t* p, NSUInteger from,
                                           NSUInteger count) noexcept;

// Exact search: the position of `needle` in `hay`, or NSNotFound when it is
// absent or empty. `backwards` answers the last match; `anchored` only looks
// at the start (at the end when backwards).
//   findExact(u"a.b.c", 5, u".", 1, true, false)  // 3
template <class H, class N>
[[nodiscard]] NSUInteger findExact(const H* hay, NSUInteger hayLength, const N* needle,
                                   NSUInteger needleLength, bool backwards,
                                   bool anchored) noexcept {
  if (needleLength == 0 || needleLength > hayLength) return NSNotFound;
  const NSUInteger last = hayLength - needleLength;
  auto matchesAt = [&](NSUInteger pos) {
    return mismatchUnits(hay + pos, needle, needleLength) == needleLength;
  };
  if (anchored) {
    const NSUInteger pos = backwards ? last : 0;
    return matchesAt(pos) ? pos : NSNotFound;
  }
  const unichar first = unichar(needle[0]);
  const unichar final = unichar(needle[needleLength - 1]);
  if constexpr (sizeof(H) == 1) {
    // A unit beyond Latin-1 never occurs in compact storage.
    if constexpr (sizeof(N) != 1) {
      for (NSUInteger k = 0; k < needleLength; ++k) {
        if (needle[k] > 0xFF) return NSNotFound;
      }
    }
  }
  if (backwards) {
    for (NSUInteger pos = last + 1; pos-- > 0;) {
      if (unichar(hay[pos]) == first && unichar(hay[pos + needleLength - 1]) == final &&
          matchesAt(pos)) {
        return pos;
      }
    }
    return NSNotFound;
  }
  const NSUInteger count = last + 1;
  for (NSUInteger pos = 0;; ++pos) {
    pos = findUnitPair(hay, pos, count, first, final, needleLength - 1);
    if (pos == count) return NSNotFound;
    if (matchesAt(pos)) return pos;
  }
}

// Position of `needle` in `hay` (relative to `hay`), or NSNotFound when it
// is absent or empty. options: kCompareCaseInsensitive, kCompareBackwards
// (the last match), kCompareAnchored (only at the start, or at the end when
// backwards). Case folding sees `hay` as a text of its own: a surrogate pair
// cut by its edges is two lone surrogates. NSNotFound too when the work
// memory for a caseless search cannot be had.
//   findUnits(u"a.b.c", 5, u".", 1, kCompareBackwards)  // 3
[[nodiscard]] NSUInteger findUnits(const unichar* hay, NSUInteger hayLength, const unichar* needle,
                                   NSUInteger needleLength, NSUInteger options) noexcept;
[[nodiscard]] NSUInteger findUnits(const std::uint8_t* hay, NSUInteger hayLength,
                                   const unichar* needle, NSUInteger needleLength,
                                   NSUInteger options) noexcept;
[[nodiscard]] NSUInteger findUnits(const unichar* hay, NSUInteger hayLength,
                                   const std::uint8_t* needle, NSUInteger needleLength,
                                   NSUInteger options) noexcept;
[[nodiscard]] NSUInteger findUnits(const std::uint8_t* hay, NSUInteger hayLength,
                                   const std::uint8_t* needle, NSUInteger needleLength,
                                   NSUInteger options) noexcept;

}  // namespace orvin::detail
