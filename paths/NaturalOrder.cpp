#include "paths/NaturalOrder.h"

#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"

namespace orvin {
namespace {

constexpr bool isDigit(unichar c) {
  return c >= u'0' && c <= u'9';
}

NSInteger sign(bool less) {
  return less ? -1 : 1;
}

// Compares the digit runs a[i, ie) and b[j, je) by value: without leading
// zeros, the longer run is larger, else the first differing digit decides.
template <class A, class B>
NSInteger compareRuns(const A* a, NSUInteger i, NSUInteger ie, const B* b, NSUInteger j,
                      NSUInteger je) {
  while (i + 1 < ie && a[i] == u'0') ++i;
  while (j + 1 < je && b[j] == u'0') ++j;
  if (ie - i != je - j) return sign(ie - i < je - j);
  for (; i < ie; ++i, ++j) {
    if (a[i] != b[j]) return sign(a[i] < b[j]);
  }
  return 0;
}

template <class A, class B>
NSInteger compareUnits(const A* a, NSUInteger m, const B* b, NSUInteger n, const unichar* table) {
  NSUInteger i = 0;
  NSUInteger j = 0;
  NSInteger zeros = 0;  // the first difference in leading zeros, the last tie-break
  while (i < m && j < n) {
    const unichar x = a[i];
    const unichar y = b[j];
    const bool digitX = isDigit(x);
    const bool digitY = isDigit(y);
    if (digitX && digitY) {
      NSUInteger ie = i;
      NSUInteger je = j;
      while (ie < m && isDigit(a[ie])) ++ie;
      while (je < n && isDigit(b[je])) ++je;
      if (const NSInteger order = compareRuns(a, i, ie, b, j, je)) return order;
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
