// The code-unit search behind rangeOfString and
// MutableString::replaceOccurrencesOfString, over units already in memory,
// so a find-and-replace reads its text once instead of once per match.
#pragma once

#include "chars/Types.h"

namespace orvin::detail {

// Position of `needle` in `hay` (relative to `hay`), or NSNotFound when it
// is absent or empty. options: kCompareCaseInsensitive, kCompareBackwards
// (the last match), kCompareAnchored (only at the start, or at the end when
// backwards). Case folding sees `hay` as a text of its own: a surrogate pair
// cut by its edges is two lone surrogates.
//   findUnits(u"a.b.c", 5, u".", 1, kCompareBackwards)  // 3
[[nodiscard]] NSUInteger findUnits(const unichar* hay, NSUInteger hayLength, const unichar* needle,
                                   NSUInteger needleLength, NSUInteger options) noexcept;

}  // namespace orvin::detail
