// MutableString's whole-text rewrites on ICU: case mapping, diacritic
// folding, normalization, trimming and find-and-replace.
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "chars/DiacriticFolding.h"
#include "chars/InlineCharacterBuffer.h"
#include "chars/MutableString.h"
#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "chars/internal/LazyCache.h"
#include "chars/internal/StringSearch.h"

namespace orvin {
namespace {

// A rewritten text being built: a std::malloc block, so that the string can
// take it over as its storage without another copy.
struct Rewritten {
  unichar* units = nullptr;
  NSUInteger length = 0;
  NSUInteger capacity = 0;

  Rewritten() = default;
  Rewritten(const Rewritten&) = delete;
  Rewritten& operator=(const Rewritten&) = delete;
  ~Rewritten() { std::free(units); }

  bool reserve(NSUInteger wanted) {
    if (wanted <= capacity) return true;
    if (wanted > static_cast<NSUInteger>(PTRDIFF_MAX) / sizeof(unichar)) return false;
    void* grown = std::realloc(units, wanted * sizeof(unichar));
    if (grown == nullptr) return false;
    units = static_cast<unichar*>(grown);
    capacity = wanted;
    return true;
  }
};

// Appends map(src, n, dest, capacity, status), an ICU-style mapping that
// answers the full result length, growing the block once if ICU asks for
// more. False when ICU or the memory fails, or beyond ICU's 32-bit lengths.
template <class Map>
bool appendMapped(Rewritten& out, const unichar* src, NSUInteger n, Map& map) {
  constexpr NSUInteger kMax = INT32_MAX;
  if (n > kMax) return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const NSUInteger room = std::min(out.capacity - out.length, kMax);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = map(src, static_cast<int32_t>(n), out.units + out.length,
                               static_cast<int32_t>(room), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      const NSUInteger wanted = out.length + static_cast<NSUInteger>(needed);
      if (!out.reserve(std::max(wanted, out.capacity + out.capacity / 2))) return false;
      continue;
    }
    if (U_FAILURE(status)) return false;
    out.length += static_cast<NSUInteger>(needed);
    return true;
  }
  return false;
}

// The text mapped as a whole (the mapping needs all of it, as title casing
// does); a compact text is copied to be read.
template <class Map>
bool mapWhole(const String& text, Rewritten& out, Map map) {
  return walkCharacters(text, false, false, [&](const unichar* src, NSUInteger n) {
    return out.reserve(n) && appendMapped(out, src, n, map);
  });
}

// The text mapped window by window, for mappings that need no context
// beyond a code unit in Latin-1 text (case mapping in the root locale,
// normalization), so that a compact text is never copied whole.
template <class Map>
bool mapInWindows(const String& text, Rewritten& out, Map map) {
  const NSUInteger n = text.length();
  if (n == 0 || !out.reserve(n)) return false;
  return walkWindows(text, NSRange{0, n}, [&](const unichar* src, NSUInteger count, NSUInteger) {
    return appendMapped(out, src, count, map);
  });
}

const UNormalizer2* normalizerFor(MutableString::NormalizationForm form) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* normalizer = nullptr;
  switch (form) {
    case MutableString::NormalizationForm::D:
      normalizer = unorm2_getNFDInstance(&status);
      break;
    case MutableString::NormalizationForm::KD:
      normalizer = unorm2_getNFKDInstance(&status);
      break;
    case MutableString::NormalizationForm::C:
      normalizer = unorm2_getNFCInstance(&status);
      break;
    case MutableString::NormalizationForm::KC:
      normalizer = unorm2_getNFKCInstance(&status);
      break;
  }
  return U_SUCCESS(status) ? normalizer : nullptr;
}

// What a case mapping does to each Latin-1 code unit, read off ICU once. In
// the root locale no Latin-1 letter's mapping depends on its neighbours, so
// text made only of Latin-1 units (compact storage, and much UTF-16 text) is
// mapped unit by unit without ICU.
struct Latin1CaseMap {
  static constexpr unichar kNotSingle = 0xFFFF;  // no Latin-1 unit maps to it
  unichar single[256];                           // the one unit a unit maps to, or kNotSingle
  unichar units[256][3];
  std::uint8_t length[256];
};

template <class Map>
Latin1CaseMap* buildLatin1CaseMap(Map map) noexcept {
  auto* table = static_cast<Latin1CaseMap*>(allocateWorkMemory(sizeof(Latin1CaseMap)));
  if (table == nullptr) return nullptr;
  for (unsigned c = 0; c < 256; ++c) {
    const auto unit = static_cast<UChar>(c);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = map(table->units[c], 3, &unit, 1, "", &status);
    if (U_FAILURE(status) || n < 1 || n > 3) {
      releaseWorkMemory(table);
      return nullptr;
    }
    table->length[c] = static_cast<std::uint8_t>(n);
    table->single[c] = n == 1 ? table->units[c][0] : Latin1CaseMap::kNotSingle;
  }
  return table;
}

void discardCaseMap(Latin1CaseMap* table) {
  releaseWorkMemory(table);
}

const Latin1CaseMap* latin1Lower() noexcept {
  static LazyCache<Latin1CaseMap> cache;
  return cache.get([] { return buildLatin1CaseMap(u_strToLower); }, discardCaseMap);
}

const Latin1CaseMap* latin1Upper() noexcept {
  static LazyCache<Latin1CaseMap> cache;
  return cache.get([] { return buildLatin1CaseMap(u_strToUpper); }, discardCaseMap);
}

// True when no unit is above 0xFF.
bool allLatin1(const unichar* p, NSUInteger n) noexcept {
  NSUInteger i = 0;
  for (; i + 32 <= n; i += 32) {
    unsigned high = 0;
    for (NSUInteger k = 0; k < 32; ++k) high |= p[i + k] >> 8;
    if (high != 0) return false;
  }
  for (; i < n; ++i) {
    if (p[i] > 0xFF) return false;
  }
  return true;
}

template <class T>
bool mapLatin1Units(const T* p, NSUInteger n, const Latin1CaseMap& map, Rewritten& out) {
  constexpr NSUInteger kSlack = 2;  // the longest mapping writes 3 units for 1
  if (!out.reserve(n + kSlack)) return false;
  // One unit for one, the common case, as one table load each: whole blocks
  // without a branch per unit; from a block that holds a longer mapping on,
  // unit by unit.
  constexpr NSUInteger kBlock = 64;
  NSUInteger i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    bool longer = false;
    for (NSUInteger k = 0; k < kBlock; ++k) {
      const unichar m = map.single[p[i + k]];
      out.units[i + k] = m;
      longer |= m == Latin1CaseMap::kNotSingle;
    }
    if (longer) break;
  }
  for (; i < n; ++i) {
    const unichar m = map.single[p[i]];
    if (m == Latin1CaseMap::kNotSingle) break;
    out.units[i] = m;
  }
  out.length = i;
  for (; i < n; ++i) {
    if (out.capacity - out.length < n - i + kSlack &&
        !out.reserve(out.capacity + out.capacity / 2 + kSlack)) {
      return false;
    }
    const unsigned c = p[i];
    std::copy_n(map.units[c], 3, out.units + out.length);
    out.length += map.length[c];
  }
  return true;
}

// Maps the text unit by unit when it is all Latin-1 and the table could be
// built; `used` tells whether this path applied.
bool mapLatin1(const String& text, const Latin1CaseMap* map, Rewritten& out, bool& used) {
  used = false;
  if (map == nullptr || text.length() == 0) return false;
  return withDirectUnits(text, NSRange{0, text.length()}, [&](auto* p, NSUInteger n) {
    if constexpr (sizeof(*p) == 2) {
      if (!allLatin1(p, n)) return false;
    }
    used = true;
    return mapLatin1Units(p, n, *map, out);
  });
}

// A root-locale case mapping of the whole text: through the Latin-1 table
// when the text is all Latin-1, else through ICU (`icu` is u_strToLower or
// u_strToUpper).
bool mapCase(const String& text, const Latin1CaseMap* table, decltype(&u_strToLower) icu,
             Rewritten& out) {
  bool latin1 = false;
  if (mapLatin1(text, table, out, latin1)) return true;
  return !latin1 &&
         mapInWindows(text, out,
                      [icu](const UChar* src, int32_t n, UChar* dest, int32_t cap,
                            UErrorCode* status) { return icu(dest, cap, src, n, "", status); });
}

// For each normalization form, whether a Latin-1 unit passes the quick
// check. Latin-1 holds no combining marks, so a compact text is in a form
// exactly when each of its units is.
struct Latin1InForm {
  bool yes[4][256];
};

Latin1InForm* buildLatin1InForm() noexcept {
  auto* table = static_cast<Latin1InForm*>(allocateWorkMemory(sizeof(Latin1InForm)));
  if (table == nullptr) return nullptr;
  for (int form = 0; form < 4; ++form) {
    const UNormalizer2* normalizer =
        normalizerFor(static_cast<MutableString::NormalizationForm>(form));
    for (unsigned c = 0; c < 256; ++c) {
      const auto unit = static_cast<UChar>(c);
      UErrorCode status = U_ZERO_ERROR;
      table->yes[form][c] = normalizer != nullptr &&
                            unorm2_spanQuickCheckYes(normalizer, &unit, 1, &status) == 1 &&
                            U_SUCCESS(status);
    }
  }
  return table;
}

void discardInForm(Latin1InForm* table) {
  releaseWorkMemory(table);
}

const Latin1InForm* latin1InForm() noexcept {
  static LazyCache<Latin1InForm> cache;
  return cache.get(buildLatin1InForm, discardInForm);
}

}  // namespace

void MutableString::takeRewritten(unichar* units, NSUInteger length, NSUInteger capacity) {
  const bool same = length == this->length() &&
                    withDirectUnits(*this, NSRange{0, length}, [&](auto* p, NSUInteger n) {
                      return detail::mismatchUnits(units, p, n) == n;
                    });
  if (same || !adoptUtf16(units, length, capacity)) std::free(units);
}

// Each rewrite below leaves the text as it was when ICU or the memory fails.

void MutableString::lowercase() {
  Rewritten out;
  if (mapCase(*this, latin1Lower(), u_strToLower, out)) {
    takeRewritten(std::exchange(out.units, nullptr), out.length, out.capacity);
  }
}

void MutableString::uppercase() {
  Rewritten out;
  if (mapCase(*this, latin1Upper(), u_strToUpper, out)) {
    takeRewritten(std::exchange(out.units, nullptr), out.length, out.capacity);
  }
}

void MutableString::capitalize() {
  Rewritten out;
  // No break iterator given: ICU finds the words with the root locale's.
  if (mapWhole(*this, out,
               [](const UChar* src, int32_t n, UChar* dest, int32_t cap, UErrorCode* status) {
                 return u_strToTitle(dest, cap, src, n, nullptr, "", status);
               })) {
    takeRewritten(std::exchange(out.units, nullptr), out.length, out.capacity);
  }
}

void MutableString::foldDiacritics() {
  std::u16string out;
  const bool changed = walkCharacters(*this, false, false, [&](const unichar* p, NSUInteger n) {
    try {
      out = orvin::foldDiacritics(std::u16string_view(p, n));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return std::u16string_view(out) != std::u16string_view(p, n);
  });
  if (changed) replaceWithUtf16(out);
}

void MutableString::normalize(NormalizationForm form) {
  const UNormalizer2* normalizer = normalizerFor(form);
  if (normalizer == nullptr) return;
  // Text already in the form is the common case: the quick check answers it
  // without writing anything.
  if (const std::uint8_t* bytes = latin1Ptr()) {
    if (const Latin1InForm* table = latin1InForm()) {
      const bool* yes = table->yes[static_cast<int>(form)];
      if (std::all_of(bytes, bytes + length(), [yes](std::uint8_t c) { return yes[c]; })) return;
    }
  }
  const bool inForm =
      walkWindows(*this, NSRange{0, length()}, [&](const unichar* p, NSUInteger n, NSUInteger) {
        if (n > static_cast<NSUInteger>(INT32_MAX)) return false;
        UErrorCode status = U_ZERO_ERROR;
        const int32_t span =
            unorm2_spanQuickCheckYes(normalizer, p, static_cast<int32_t>(n), &status);
        return U_SUCCESS(status) && static_cast<NSUInteger>(span) == n;
      });
  if (inForm) return;
  Rewritten out;
  if (mapInWindows(
          *this, out,
          [normalizer](const UChar* src, int32_t n, UChar* dest, int32_t cap, UErrorCode* status) {
            return unorm2_normalize(normalizer, src, n, dest, cap, status);
          })) {
    takeRewritten(std::exchange(out.units, nullptr), out.length, out.capacity);
  }
}

void MutableString::trimWhitespace() {
  NSUInteger start = 0;
  NSUInteger end = 0;
  {
    // The reader holds a reference to the text; drop it before editing so
    // the edit need not copy.
    InlineCharacterBuffer in(*this);
    const NSInteger length = in.length();
    NSInteger first = 0;
    while (first < length && u_isUWhiteSpace(in.at(first))) ++first;
    NSInteger last = length;
    while (last > first && u_isUWhiteSpace(in.at(last - 1))) --last;
    start = static_cast<NSUInteger>(first);
    end = static_cast<NSUInteger>(last);
  }
  // The tail first: deleting it moves nothing.
  if (end < length()) deleteCharactersInRange(NSRange{end, length() - end});
  if (start > 0) deleteCharactersInRange(NSRange{0, start});
}

NSUInteger MutableString::replaceOccurrencesOfString(const String& target,
                                                     const String& replacement, NSUInteger options,
                                                     NSRange searchRange) {
  if (!rangeFitsLength(searchRange, length())) {
    raiseRangeException("replaceOccurrencesOfString", searchRange.location, searchRange.length,
                        length());
  }
  const NSUInteger targetLength = target.length();
  if (targetLength == 0 || targetLength > searchRange.length) return 0;
  const bool backwards = (options & kCompareBackwards) != 0;
  const bool anchored = (options & kCompareAnchored) != 0;
  std::u16string result;
  NSUInteger count = 0;
  // All matches are found in the text as it was, then the new text is built
  // once: a replacement that contains the target is never searched again.
  // Memory that cannot be had, for the walk or the new text, replaces nothing.
  // Both texts are read in place, in either storage form.
  const bool built = withDirectUnits(target, NSRange{0, targetLength}, [&](auto* t, NSUInteger) {
    return withDirectUnits(*this, NSRange{0, length()}, [&](auto* text, NSUInteger textLength) {
      const auto* base = text + searchRange.location;
      try {
        std::vector<NSUInteger> found;  // offsets in the search range, ascending
        if (backwards) {
          NSUInteger end = searchRange.length;
          while (end >= targetLength) {
            const NSUInteger at = detail::findUnits(base, end, t, targetLength, options);
            if (at == NSNotFound) break;
            found.push_back(at);
            end = at;
            if (anchored) break;
          }
          std::reverse(found.begin(), found.end());
        } else {
          NSUInteger from = 0;
          while (searchRange.length - from >= targetLength) {
            const NSUInteger at =
                detail::findUnits(base + from, searchRange.length - from, t, targetLength, options);
            if (at == NSNotFound) break;
            found.push_back(from + at);
            from += at + targetLength;
            if (anchored) break;
          }
        }
        if (found.empty()) return false;
        const std::u16string with = replacement.toU16String();
        result.reserve(textLength - found.size() * targetLength + found.size() * with.size());
        NSUInteger copied = 0;  // units of `text` already in `result`
        for (NSUInteger offset : found) {
          const NSUInteger at = searchRange.location + offset;
          result.insert(result.end(), text + copied, text + at);
          result.append(with);
          copied = at + targetLength;
        }
        result.insert(result.end(), text + copied, text + textLength);
        count = found.size();
      } catch (const std::bad_alloc&) {
        return false;
      } catch (const std::length_error&) {
        return false;
      }
      return true;
    });
  });
  if (!built || !replaceWithUtf16(result)) return 0;
  return count;
}

}  // namespace orvin
