// MutableString's whole-text rewrites on ICU: case mapping, diacritic
// folding, normalization, trimming and find-and-replace.
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "chars/DiacriticFolding.h"
#include "chars/InlineCharacterBuffer.h"
#include "chars/MutableString.h"
#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"
#include "chars/internal/StringSearch.h"

namespace orvin {
namespace {

// Runs an ICU-style mapping `map(src, srcLength, dest, capacity, status)`,
// which answers the full result length, over the units of `text` into `out`,
// retrying once with the size ICU asked for. True only when the result
// differs from the text; false too when the text cannot be read, is beyond
// ICU's 32-bit lengths, or ICU or the memory fails, so the text then stays.
template <class Map>
bool mapUnits(const String& text, std::u16string& out, Map&& map) {
  return walkCharacters(text, false, false, [&](const unichar* src, NSUInteger length) {
    if (length > static_cast<NSUInteger>(INT32_MAX)) return false;
    const auto n = static_cast<int32_t>(length);
    try {
      out.resize(length);
      UErrorCode status = U_ZERO_ERROR;
      int32_t needed = map(src, n, out.data(), n, &status);
      if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<std::size_t>(needed));
        status = U_ZERO_ERROR;
        needed = map(src, n, out.data(), needed, &status);
      }
      if (U_FAILURE(status)) return false;
      out.resize(static_cast<std::size_t>(needed));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return std::u16string_view(out) != std::u16string_view(src, length);
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

}  // namespace

void MutableString::lowercase() {
  std::u16string out;
  if (mapUnits(*this, out,
               [](const UChar* src, int32_t n, UChar* dest, int32_t cap, UErrorCode* status) {
                 return u_strToLower(dest, cap, src, n, "", status);
               })) {
    replaceWithUtf16(out);
  }
}

void MutableString::uppercase() {
  std::u16string out;
  if (mapUnits(*this, out,
               [](const UChar* src, int32_t n, UChar* dest, int32_t cap, UErrorCode* status) {
                 return u_strToUpper(dest, cap, src, n, "", status);
               })) {
    replaceWithUtf16(out);
  }
}

void MutableString::capitalize() {
  std::u16string out;
  // No break iterator given: ICU finds the words with the root locale's.
  if (mapUnits(*this, out,
               [](const UChar* src, int32_t n, UChar* dest, int32_t cap, UErrorCode* status) {
                 return u_strToTitle(dest, cap, src, n, nullptr, "", status);
               })) {
    replaceWithUtf16(out);
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
  std::u16string out;
  if (mapUnits(
          *this, out,
          [normalizer](const UChar* src, int32_t n, UChar* dest, int32_t cap, UErrorCode* status) {
            return unorm2_normalize(normalizer, src, n, dest, cap, status);
          })) {
    replaceWithUtf16(out);
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
  const bool built = walkCharacters(target, false, false, [&](const unichar* t, NSUInteger) {
    return walkCharacters(*this, false, false, [&](const unichar* text, NSUInteger textLength) {
      const unichar* base = text + searchRange.location;
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
          result.append(text + copied, at - copied);
          result.append(with);
          copied = at + targetLength;
        }
        result.append(text + copied, textLength - copied);
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
