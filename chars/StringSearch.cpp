#include "chars/internal/StringSearch.h"

#include <algorithm>

#include "chars/StandardWalk.h"
#include "chars/internal/CaseFolding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvin::detail {
namespace {

#if defined(__SSE2__)
// Bit k of the result set when lane k of both comparisons matched; 16-bit
// lanes give two bits each, so positions are bit index / lane size.
inline unsigned pairMask(__m128i atFirst, __m128i atLast, __m128i first, __m128i last, bool wide) {
  const __m128i hit =
      wide ? _mm_and_si128(_mm_cmpeq_epi16(atFirst, first), _mm_cmpeq_epi16(atLast, last))
           : _mm_and_si128(_mm_cmpeq_epi8(atFirst, first), _mm_cmpeq_epi8(atLast, last));
  return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

template <class T>
NSUInteger findPair(const T* hay, NSUInteger from, NSUInteger count, unichar first, unichar last,
                    NSUInteger gap) noexcept {
  NSUInteger pos = from;
#if defined(__SSE2__)
  constexpr bool kWide = sizeof(T) == 2;
  constexpr NSUInteger kLanes = 16 / sizeof(T);
  const __m128i f =
      kWide ? _mm_set1_epi16(static_cast<short>(first)) : _mm_set1_epi8(static_cast<char>(first));
  const __m128i l =
      kWide ? _mm_set1_epi16(static_cast<short>(last)) : _mm_set1_epi8(static_cast<char>(last));
  for (; pos + kLanes <= count; pos += kLanes) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + pos));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + pos + gap));
    const unsigned mask = pairMask(a, b, f, l, kWide);
    if (mask != 0) return pos + static_cast<NSUInteger>(__builtin_ctz(mask)) / sizeof(T);
  }
#endif
  for (; pos < count; ++pos) {
    if (unichar(hay[pos]) == first && unichar(hay[pos + gap]) == last) return pos;
  }
  return count;
}

inline bool isFeedCandidate(unichar c) noexcept {
  return c <= 0x0D || (c & 0xFFFE) == 0x2028 || c == 0xFEFF || c == 0xFFFC;
}

template <class T>
NSUInteger findFeed(const T* p, NSUInteger from, NSUInteger count) noexcept {
  NSUInteger i = from;
#if defined(__SSE2__)
  // x <= 0x0D exactly when x - 0x0D saturates to 0.
  constexpr NSUInteger kLanes = 16 / sizeof(T);
  const __m128i zero = _mm_setzero_si128();
  if constexpr (sizeof(T) == 2) {
    const __m128i controls = _mm_set1_epi16(0x0D);
    const __m128i pairMask = _mm_set1_epi16(static_cast<short>(0xFFFE));
    const __m128i separators = _mm_set1_epi16(0x2028);
    const __m128i bom = _mm_set1_epi16(static_cast<short>(0xFEFF));
    const __m128i object = _mm_set1_epi16(static_cast<short>(0xFFFC));
    for (; i + kLanes <= count; i += kLanes) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i hit =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(_mm_subs_epu16(x, controls), zero),
                                    _mm_cmpeq_epi16(_mm_and_si128(x, pairMask), separators)),
                       _mm_or_si128(_mm_cmpeq_epi16(x, bom), _mm_cmpeq_epi16(x, object)));
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
      if (mask != 0) return i + static_cast<NSUInteger>(__builtin_ctz(mask)) / 2;
    }
  } else {
    const __m128i controls = _mm_set1_epi8(0x0D);
    for (; i + kLanes <= count; i += kLanes) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i hit = _mm_cmpeq_epi8(_mm_subs_epu8(x, controls), zero);
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
      if (mask != 0) return i + static_cast<NSUInteger>(__builtin_ctz(mask));
    }
  }
#endif
  for (; i < count; ++i) {
    if (isFeedCandidate(p[i])) return i;
  }
  return count;
}

// Caseless search: the needle is folded once; the hay is folded in windows
// (with its own surrogate context) and searched exactly, the windows
// overlapping by needleLength - 1 so that no match is cut.
template <class H>
NSUInteger findFolded(const H* hay, NSUInteger hayLength, const unichar* needle,
                      NSUInteger needleLength, bool backwards, bool anchored) noexcept {
  const UnitFold fold;
  // Needle and window share one buffer, on the stack for needles up to a
  // third of it.
  const NSUInteger windowUnits = std::max<NSUInteger>(
      WorkBuffer::kStackUnits - std::min<NSUInteger>(needleLength, 85), 2 * needleLength);
  WorkBuffer folded(needleLength + std::min(windowUnits, hayLength));
  if (!folded.ok()) return NSNotFound;
  unichar* foldedNeedle = folded.data();
  unichar* window = foldedNeedle + needleLength;
  foldUnits(needle, needleLength, 0, needleLength, foldedNeedle, fold);
  const NSUInteger last = hayLength - needleLength;
  if (anchored) {
    const NSUInteger pos = backwards ? last : 0;
    foldUnits(hay, hayLength, pos, needleLength, window, fold);
    return mismatchUnits(window, foldedNeedle, needleLength) == needleLength ? pos : NSNotFound;
  }
  const NSUInteger step = windowUnits - needleLength + 1;
  for (NSUInteger done = 0; done <= last; done += step) {
    // Forward: windows from the start; backwards: from the end.
    const NSUInteger size = std::min(windowUnits, hayLength - done);
    const NSUInteger start = backwards ? hayLength - done - size : done;
    foldUnits(hay, hayLength, start, size, window, fold);
    const NSUInteger at = findExact(window, size, foldedNeedle, needleLength, backwards, false);
    if (at != NSNotFound) return start + at;
    if (size < windowUnits) break;
  }
  return NSNotFound;
}

template <class H, class N>
NSUInteger find(const H* hay, NSUInteger hayLength, const N* needle, NSUInteger needleLength,
                NSUInteger options) noexcept {
  const bool backwards = (options & kCompareBackwards) != 0;
  const bool anchored = (options & kCompareAnchored) != 0;
  if ((options & kCompareCaseInsensitive) == 0 || needleLength == 0 || needleLength > hayLength) {
    return findExact(hay, hayLength, needle, needleLength, backwards, anchored);
  }
  if constexpr (sizeof(N) == 2) {
    return findFolded(hay, hayLength, needle, needleLength, backwards, anchored);
  } else {
    // A compact needle is widened once; it is the short side of a search.
    WorkBuffer wide(needleLength);
    if (!wide.ok()) return NSNotFound;
    std::copy(needle, needle + needleLength, wide.data());
    return findFolded(hay, hayLength, static_cast<const unichar*>(wide.data()), needleLength,
                      backwards, anchored);
  }
}

}  // namespace

NSUInteger findUnitPair(const unichar* hay, NSUInteger from, NSUInteger count, unichar first,
                        unichar last, NSUInteger gap) noexcept {
  return findPair(hay, from, count, first, last, gap);
}

NSUInteger findUnitPair(const std::uint8_t* hay, NSUInteger from, NSUInteger count, unichar first,
                        unichar last, NSUInteger gap) noexcept {
  if (first > 0xFF || last > 0xFF) return count;
  return findPair(hay, from, count, first, last, gap);
}

NSUInteger findFeedCandidate(const unichar* p, NSUInteger from, NSUInteger count) noexcept {
  return findFeed(p, from, count);
}

NSUInteger findFeedCandidate(const std::uint8_t* p, NSUInteger from, NSUInteger count) noexcept {
  return findFeed(p, from, count);
}

NSUInteger findUnits(const unichar* hay, NSUInteger hayLength, const unichar* needle,
                     NSUInteger needleLength, NSUInteger options) noexcept {
  return find(hay, hayLength, needle, needleLength, options);
}
NSUInteger findUnits(const std::uint8_t* hay, NSUInteger hayLength, const unichar* needle,
                     NSUInteger needleLength, NSUInteger options) noexcept {
  return find(hay, hayLength, needle, needleLength, options);
}
NSUInteger findUnits(const unichar* hay, NSUInteger hayLength, const std::uint8_t* needle,
                     NSUInteger needleLength, NSUInteger options) noexcept {
  return find(hay, hayLength, needle, needleLength, options);
}
NSUInteger findUnits(const std::uint8_t* hay, NSUInteger hayLength, const std::uint8_t* needle,
                     NSUInteger needleLength, NSUInteger options) noexcept {
  return find(hay, hayLength, needle, needleLength, options);
}

}  // namespace orvin::detail
