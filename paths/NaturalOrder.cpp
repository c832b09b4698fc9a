#include "paths/NaturalOrder.h"

#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"
#include "chars/internal/StringSearch.h"

namespace orvin {
namespace {

constexpr bool isDigit(unichar c) {
  return c >= u'0' && c <= u'9';
}

NSInteger sign(bool less) {
  return less ? -1 : 1;
}

// Compares the digit runs starting at a[i] and b[j] by value in one pass:
// without leading zeros, the longer run is larger, else the first
// differing digit decides. Sets ie and je to the ends of the runs.
template <class A, class B>
NSInteger compareRuns(const A* a, NSUInteger m, NSUInteger i, const B* b, NSUInteger n,
                      NSUInteger j, NSUInteger& ie, NSUInteger& je) {
  while (i < m && a[i] == u'0') ++i;
  while (j < n && b[j] == u'0') ++j;
  NSInteger first = 0;
  for (;; ++i, ++j) {
    const bool moreA = i < m && isDigit(a[i]);
    const bool moreB = j < n && isDigit(b[j]);
    if (!moreA || !moreB) {
      if (moreA != moreB) return moreA ? 1 : -1;
      break;
    }
    if (first == 0 && a[i] != b[j]) first = sign(a[i] < b[j]);
  }
  ie = i;
  je = j;
  return first;
}

template <class A, class B>
NSInteger compareUnits(const A* a, NSUInteger m, const B* b, NSUInteger n, const unichar* table) {
  // Equal code units order alike, so the common prefix is skipped, back to
  // the start of a digit run that it ends in (runs compare as a whole).
  NSUInteger k = detail::mismatchUnits(a, b, m < n ? m : n);
  if (k == m && m == n) return 0;
  while (k > 0 && isDigit(a[k - 1])) --k;
  NSUInteger i = k;
  NSUInteger j = k;
  NSInteger zeros = 0;  // the first difference in leading zeros, the last tie-break
  while (i < m && j < n) {
    const unichar x = a[i];
    const unichar y = b[j];
    const bool digitX = isDigit(x);
    const bool digitY = isDigit(y);
    if (digitX && digitY) {
      NSUInteger ie = 0;
      NSUInteger je = 0;
      if (const NSInteger order = compareRuns(a, m, i, b, n, j, ie, je)) return order;
      if (zeros == 0 && ie - i != je - j) zeros = sign(ie - i < je - j);
      i = ie;
      j = je;
      continue;
    }
    const NSInteger fx = table != nullptr ? table[x] : x;
    const NSInteger fy = table != nullptr ? table[y] : y;
    // A digit run sits between the characters below "0" and all others, so
    // that the order stays transitive even where a table folds something
    // into the digits.
    if (digitX) return fy < u'0' ? fx - fy : -1;
    if (digitY) return fx < u'0' ? fx - fy : 1;
    if (fx != fy) return fx - fy;
    ++i;
    ++j;
  }
  const NSInteger rest = static_cast<NSInteger>(m - i) - static_cast<NSInteger>(n - j);
  return rest != 0 ? rest : zeros;
}

NSInteger naturalCompare(const String& a, const String& b, const unichar* table) {
  if (b.isNil()) return a.isNil() ? 0 : -1;
  if (a.isNil()) return 1;
  return withDirectUnits(a, NSRange{0, a.length()}, [&](const auto* pa, NSUInteger m) {
    return withDirectUnits(b, NSRange{0, b.length()}, [&](const auto* pb, NSUInteger n) {
      return compareUnits(pa, m, pb, n, table);
    });
  });
}

}  // namespace

NSInteger compareWithLastPathComponent(const String& a, const String& b) {
  return naturalCompare(a, b, nullptr);
}

NSInteger caseInsensitiveCompareWithLastPathComponent(const String& a, const String& b) {
  const unichar* table = upperCharsTable();
  return table == nullptr ? 0 : naturalCompare(a, b, table);
}

NSInteger nonUmlautedCaseInsensitiveCompareWithLastPathComponent(const String& a, const String& b) {
  const unichar* table = upperUmlautsCharsTable();
  return table == nullptr ? 0 : naturalCompare(a, b, table);
}

}  // namespace orvin
