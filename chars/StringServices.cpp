#include "chars/StringServices.h"

#include <unicode/uchar.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "chars/InlineCharacterBuffer.h"
#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"
#include "chars/internal/CaseFolding.h"
#include "chars/internal/StringSearch.h"

namespace orvin {
namespace {

constexpr NSRange kNotFound{NSNotFound, 0};

}  // namespace

NSComparisonResult compareRange(const String& s, NSRange range, const String& other,
                                NSUInteger options) {
  if (!rangeFitsLength(range, s.length())) {
    raiseRangeException("compareRange", range.location, range.length, s.length());
  }
  // Both texts are read in place, whatever their storage, so this comparison
  // needs no work memory and cannot fail for want of it.
  const bool noCase = (options & kCompareCaseInsensitive) != 0;
  const int order = withDirectUnits(s, range, [&](auto* a, NSUInteger lengthA) {
    return withDirectUnits(other, NSRange{0, other.length()}, [&](auto* b, NSUInteger lengthB) {
      return noCase ? detail::compareFolded(a, lengthA, b, lengthB, detail::UnitFold{})
                    : detail::compareUnits(a, lengthA, b, lengthB);
    });
  });
  return static_cast<NSComparisonResult>(order);
}

NSRange rangeOfString(const String& s, const String& needle, NSUInteger options,
                      NSRange searchRange) {
  if (!rangeFitsLength(searchRange, s.length())) {
    raiseRangeException("rangeOfString", searchRange.location, searchRange.length, s.length());
  }
  const NSUInteger needleLength = needle.length();
  if (needleLength == 0 || needleLength > searchRange.length) return kNotFound;
  return withDirectUnits(needle, NSRange{0, needleLength}, [&](auto* n, NSUInteger) {
    return withDirectUnits(s, searchRange, [&](auto* h, NSUInteger hayLength) {
      const NSUInteger at = detail::findUnits(h, hayLength, n, needleLength, options);
      return at == NSNotFound ? kNotFound : NSRange{searchRange.location + at, needleLength};
    });
  });
}

bool hasPrefix(const String& s, const String& prefix) {
  const NSUInteger n = prefix.length();
  if (n == 0 || n > s.length()) return false;
  return withDirectUnits(s, NSRange{0, n}, [&](auto* a, NSUInteger) {
    return withDirectUnits(prefix, NSRange{0, n}, [&](auto* b, NSUInteger) {
      return detail::mismatchUnits(a, b, n) == n;
    });
  });
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
