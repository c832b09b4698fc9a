// Simple (one-to-one) case folding of code units, shared by every caseless
// comparison and search of the String services. A fold that would change the
// number of code units is not taken, so folded text lines up unit for unit
// with the original and found ranges refer to the original's code units.
// Full folding ("ß" to "ss") and the Turkic dotted and dotless i are not done.
#pragma once

#include <unicode/utf16.h>

#include <cstdint>

#include "chars/Types.h"

namespace orvin::detail {

// The simple case fold of `c`, kept only when it has the same UTF-16 length.
//   foldCodePoint(U'Ä')  // U'ä'
[[nodiscard]] UChar32 foldCodePoint(UChar32 c) noexcept;

// A table of foldCodePoint for every code unit that is not a surrogate (a
// surrogate maps to itself), built on first use and kept; nullptr when its
// memory cannot be had, and built again on the next call.
[[nodiscard]] const unichar* caseFoldTable() noexcept;

// The fold of one code unit that is not a surrogate: one table load, or
// foldCodePoint when the table could not be built.
struct UnitFold {
  const unichar* table = caseFoldTable();
  [[nodiscard]] unichar operator()(unichar c) const noexcept {
    return table != nullptr ? table[c] : static_cast<unichar>(foldCodePoint(c));
  }
};

// The code unit at `i` of a text of `length` units after folding the code
// point it belongs to: both halves of a surrogate pair come from the folded
// pair; a lone surrogate stays as it is.
template <class T>
[[nodiscard]] unichar foldedUnitAt(const T* p, NSUInteger length, NSUInteger i,
                                   const UnitFold& fold) noexcept {
  const unichar c = p[i];
  if constexpr (sizeof(T) == 2) {
    if (U16_IS_LEAD(c)) {
      if (i + 1 < length && U16_IS_TRAIL(p[i + 1])) {
        return U16_LEAD(foldCodePoint(U16_GET_SUPPLEMENTARY(c, p[i + 1])));
      }
      return c;
    }
    if (U16_IS_TRAIL(c)) {
      if (i > 0 && U16_IS_LEAD(p[i - 1])) {
        return U16_TRAIL(foldCodePoint(U16_GET_SUPPLEMENTARY(p[i - 1], c)));
      }
      return c;
    }
  }
  return fold(c);
}

// Writes the folded units [from, from + count) of a text of `length` units
// to `out`.
template <class T>
void foldUnits(const T* p, NSUInteger length, NSUInteger from, NSUInteger count, unichar* out,
               const UnitFold& fold) noexcept {
  for (NSUInteger k = 0; k < count; ++k) {
    const unichar c = p[from + k];
    out[k] =
        (sizeof(T) == 2 && U16_IS_SURROGATE(c)) ? foldedUnitAt(p, length, from + k, fold) : fold(c);
  }
}

// Order of two texts by their folded code units: -1, 0 or 1. Each text is a
// text of its own: a surrogate pair cut by its edges is two lone surrogates.
template <class A, class B>
[[nodiscard]] int compareFolded(const A* a, NSUInteger aLength, const B* b, NSUInteger bLength,
                                const UnitFold& fold) noexcept {
  const NSUInteger common = aLength < bLength ? aLength : bLength;
  // Whether the unit beside i reads the same on both sides, so that equal
  // surrogates fold alike.
  auto sameNeighbour = [&](NSUInteger j) {
    const bool inA = j < aLength;
    const bool inB = j < bLength;
    return inA == inB && (!inA || unichar(a[j]) == unichar(b[j]));
  };
  auto isSurrogate = [](unichar c) { return U16_IS_SURROGATE(c); };
  for (NSUInteger i = 0; i < common; ++i) {
    const unichar ua = a[i];
    const unichar ub = b[i];
    // Compact units are never surrogates; most UTF-16 units are not either,
    // and then each fold is one table load.
    const bool plain = (sizeof(A) == 1 || !isSurrogate(ua)) && (sizeof(B) == 1 || !isSurrogate(ub));
    if (plain && fold.table != nullptr) {
      if (ua == ub) continue;
      const unichar fa = fold.table[ua];
      const unichar fb = fold.table[ub];
      if (fa != fb) return fa < fb ? -1 : 1;
      continue;
    }
    if (ua == ub) {
      if (!isSurrogate(ua)) continue;
      if (U16_IS_LEAD(ua) ? sameNeighbour(i + 1) : (i == 0 || sameNeighbour(i - 1))) continue;
    }
    const unichar fa = foldedUnitAt(a, aLength, i, fold);
    const unichar fb = foldedUnitAt(b, bLength, i, fold);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

}  // namespace orvin::detail
