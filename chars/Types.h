// Basic value types shared by the whole library: code units, counts, ranges
// and the option flags of comparison and search.
#pragma once

#include <cstdint>
#include <limits>

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

using unichar = char16_t;
using NSUInteger = std::uint64_t;
using NSInteger = std::int64_t;

// "Not found" for an index; a range that was not found is {NSNotFound, 0}.
inline constexpr NSUInteger NSNotFound =
    static_cast<NSUInteger>(std::numeric_limits<NSInteger>::max());

struct NSRange {
  NSUInteger location = 0;
  NSUInteger length = 0;
  friend constexpr bool operator==(const NSRange&, const NSRange&) = default;
};

constexpr NSRange NSMakeRange(NSUInteger location, NSUInteger length) {
  return NSRange{location, length};
}
constexpr NSUInteger NSMaxRange(NSRange r) {
  return r.location + r.length;
}

// True when `r` lies inside a text of `length` code units (overflow-safe).
constexpr bool rangeFitsLength(NSRange r, NSUInteger length) {
  return r.location <= length && r.length <= length - r.location;
}

// Comparison and search flags, numbered as the platform numbers them.
enum CompareOptions : NSUInteger {
  kCompareNone = 0,
  kCompareCaseInsensitive = 1,
  kCompareLiteral = 2,
  kCompareBackwards = 4,
  kCompareAnchored = 8,
  kCompareDiacriticInsensitive = 128,
};

// Three-way result of string comparisons.
enum NSComparisonResult : NSInteger {
  NSOrderedAscending = -1,
  NSOrderedSame = 0,
  NSOrderedDescending = 1,
};

}  // namespace orvin
ORVIN_PUBLIC_END
