#include "chars/StringServices.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "chars/InlineCharacterBuffer.h"
#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"
#include "chars/internal/StringSearch.h"

namespace orvin {
namespace {

constexpr NSRange kNotFound{NSNotFound, 0};

// Simple case folding of one code point. A fold that would need a different
// number of code units is not taken (Unicode has none today), so folded text
// always lines up unit for unit with the original.
UChar32 foldCodePoint(UChar32 c) noexcept {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
  const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
  return U16_LENGTH(folded) == U16_LENGTH(c) ? folded : c;
}

// The code unit at `i` of a text of `length` units read through `at`, after
// folding the code point it belongs to: both halves of a surrogate pair come
// from the folded pair; a lone surrogate stays as it is.
template <class At>
unichar foldedUnitAt(At&& at, NSUInteger length, NSUInteger i) noexcept {
  const unichar c = at(i);
  if (U16_IS_LEAD(c)) {
    if (i + 1 < length) {
      const unichar trail = at(i + 1);
      if (U16_IS_TRAIL(trail)) return U16_LEAD(foldCodePoint(U16_GET_SUPPLEMENTARY(c, trail)));
    }
    return c;
  }
  if (U16_IS_TRAIL(c)) {
    if (i > 0) {
      const unichar lead = at(i - 1);
      if (U16_IS_LEAD(lead)) return U16_TRAIL(foldCodePoint(U16_GET_SUPPLEMENTARY(lead, c)));
    }
    return c;
  }
  return static_cast<unichar>(foldCodePoint(c));
}

// True when `needle` matches `hay` at `pos` after folding both.
bool foldedMatchAt(const unichar* hay, NSUInteger hayLength, NSUInteger pos, const unichar* needle,
                   NSUInteger needleLength) noexcept {
  auto hayAt = [hay](NSUInteger i) { return hay[i]; };
  auto needleAt = [needle](NSUInteger i) { return needle[i]; };
  for (NSUInteger k = 0; k < needleLength; ++k) {
    if (foldedUnitAt(hayAt, hayLength, pos + k) != foldedUnitAt(needleAt, needleLength, k)) {
      return false;
    }
  }
  return true;
}

}  // namespace

namespace detail {

NSUInteger findUnits(const unichar* hay, NSUInteger hayLength, const unichar* needle,
                     NSUInteger needleLength, NSUInteger options) noexcept {
  if (needleLength == 0 || needleLength > hayLength) return NSNotFound;
  const bool backwards = (options & kCompareBackwards) != 0;
  const NSUInteger last = hayLength - needleLength;
  if ((options & kCompareCaseInsensitive) == 0) {
    const std::u16string_view h(hay, hayLength);
    const std::u16string_view n(needle, needleLength);
    if ((options & kCompareAnchored) != 0) {
      const NSUInteger pos = backwards ? last : 0;
      return h.substr(pos).starts_with(n) ? pos : NSNotFound;
    }
    const std::size_t found = backwards ? h.rfind(n) : h.find(n);
    return found == std::u16string_view::npos ? NSNotFound : found;
  }
  if ((options & kCompareAnchored) != 0) {
    const NSUInteger pos = backwards ? last : 0;
    return foldedMatchAt(hay, hayLength, pos, needle, needleLength) ? pos : NSNotFound;
  }
  if (backwards) {
    for (NSUInteger pos = last + 1; pos-- > 0;) {
      if (foldedMatchAt(hay, hayLength, pos, needle, needleLength)) return pos;
    }
    return NSNotFound;
  }
  for (NSUInteger pos = 0; pos <= last; ++pos) {
    if (foldedMatchAt(hay, hayLength, pos, needle, needleLength)) return pos;
  }
  return NSNotFound;
}

}  // namespace detail

NSComparisonResult compareRange(const String& s, NSRange range, const String& other,
                                NSUInteger options) {
  if (!rangeFitsLength(range, s.length())) {
    raiseRangeException("compareRange", range.location, range.length, s.length());
  }
  // Sequential reads through the inline buffer need no work memory, so this
  // comparison cannot fail for want of it.
  InlineCharacterBuffer a(s, range);
  InlineCharacterBuffer b(other);
  const NSUInteger lengthA = range.length;
  const NSUInteger lengthB = other.length();
  auto atA = [&a](NSUInteger i) { return a.at(static_cast<NSInteger>(i)); };
  auto atB = [&b](NSUInteger i) { return b.at(static_cast<NSInteger>(i)); };
  const bool noCase = (options & kCompareCaseInsensitive) != 0;
  const NSUInteger common = lengthA < lengthB ? lengthA : lengthB;
  for (NSUInteger i = 0; i < common; ++i) {
    const unichar ua = noCase ? foldedUnitAt(atA, lengthA, i) : atA(i);
    const unichar ub = noCase ? foldedUnitAt(atB, lengthB, i) : atB(i);
    if (ua != ub) return ua < ub ? NSOrderedAscending : NSOrderedDescending;
  }
  if (lengthA == lengthB) return NSOrderedSame;
  return lengthA < lengthB ? NSOrderedAscending : NSOrderedDescending;
}

NSRange rangeOfString(const String& s, const String& needle, NSUInteger options,
                      NSRange searchRange) {
  if (!rangeFitsLength(searchRange, s.length())) {
    raiseRangeException("rangeOfString", searchRange.location, searchRange.length, s.length());
  }
  const NSUInteger needleLength = needle.length();
  if (needleLength == 0 || needleLength > searchRange.length) return kNotFound;
  // Work memory that cannot be had for either text answers "not found".
  return walkCharacters(needle, kNotFound, kNotFound, [&](const unichar* n, NSUInteger) {
    return walkCharacters(s, kNotFound, kNotFound, [&](const unichar* h, NSUInteger) {
      const NSUInteger at =
          detail::findUnits(h + searchRange.location, searchRange.length, n, needleLength, options);
      return at == NSNotFound ? kNotFound : NSRange{searchRange.location + at, needleLength};
    });
  });
}

bool hasPrefix(const String& s, const String& prefix) {
  const NSUInteger n = prefix.length();
  return n != 0 && n <= s.length() && compareRange(s, NSRange{0, n}, prefix, 0) == NSOrderedSame;
}

NSInteger integerValue(const String& s) {
  InlineCharacterBuffer in(s);
  const NSInteger length = in.length();
  NSInteger i = 0;
  while (i < length && u_isUWhiteSpace(in.at(i))) ++i;
  bool negative = false;
  if (i < length && (in.at(i) == u'+' || in.at(i) == u'-')) {
    negative = in.at(i) == u'-';
    ++i;
  }
  // The magnitude may reach 2^63 for the most negative value.
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<NSInteger>::max()) + (negative ? 1 : 0);
  std::uint64_t magnitude = 0;
  for (; i < length; ++i) {
    const unichar c = in.at(i);
    if (c < u'0' || c > u'9') break;
    const std::uint64_t digit = c - u'0';
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<NSInteger>(magnitude);
  if (magnitude == limit) return std::numeric_limits<NSInteger>::min();
  return -static_cast<NSInteger>(magnitude);
}

namespace {

bool isDigitUnit(unichar c) {
  return c >= u'0' && c <= u'9';
}

// Appends the digits starting at `i` to `out`; answers how many there were.
NSInteger takeDigits(InlineCharacterBuffer& in, NSInteger& i, std::string& out) {
  const NSInteger start = i;
  for (; i < in.length() && isDigitUnit(in.at(i)); ++i) out.push_back(static_cast<char>(in.at(i)));
  return i - start;
}

}  // namespace

double doubleValue(const String& s) {
  InlineCharacterBuffer in(s);
  const NSInteger length = in.length();
  NSInteger i = 0;
  while (i < length && u_isUWhiteSpace(in.at(i))) ++i;
  std::string number;
  if (i < length && (in.at(i) == u'+' || in.at(i) == u'-')) {
    if (in.at(i) == u'-') number.push_back('-');
    ++i;
  }
  try {
    NSInteger digits = takeDigits(in, i, number);
    if (i < length && in.at(i) == u'.') {
      number.push_back('.');
      ++i;
      digits += takeDigits(in, i, number);
    }
    if (digits == 0) return 0;
    if (i < length && (in.at(i) == u'e' || in.at(i) == u'E')) {
      std::string exponent = "e";
      NSInteger j = i + 1;
      if (j < length && (in.at(j) == u'+' || in.at(j) == u'-')) {
        exponent.push_back(static_cast<char>(in.at(j)));
        ++j;
      }
      if (takeDigits(in, j, exponent) > 0) number += exponent;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone here; tell overflow from underflow
    // by the exponent's sign.
    const bool tiny = number.find("e-") != std::string::npos;
    const bool negative = number.front() == '-';
    if (tiny) return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  return error == std::errc() ? value : 0;
}

}  // namespace orvin
