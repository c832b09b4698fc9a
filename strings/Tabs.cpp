#include "strings/Tabs.h"

#include <cstddef>
#include <cstdint>

#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "strings/FeedCharacters.h"
#include "strings/internal/UnitRewrite.h"

namespace orvin {
namespace {

// The longest text a string can hold, in code units.
constexpr NSUInteger kMaxUnits = PTRDIFF_MAX / sizeof(unichar);

// The column after `c` at `column` (both modulo the width).
NSUInteger nextColumn(unichar c, NSUInteger column, NSUInteger width) {
  if (c == u'\t') return 0;
  if (isFeedCharacter(c)) return 0;
  return (column + 1) % width;
}

// The length of `chars` with its tabs expanded; 0 when nothing would change
// or the result would be too long to hold.
NSUInteger expandedLength(const unichar* chars, NSUInteger n, NSUInteger width) {
  NSUInteger length = 0;
  NSUInteger column = 0;
  bool anyTab = false;
  for (NSUInteger i = 0; i < n; ++i) {
    const NSUInteger units = chars[i] == u'\t' ? width - column : 1;
    if (units > kMaxUnits - length) return 0;
    length += units;
    anyTab = anyTab || chars[i] == u'\t';
    column = nextColumn(chars[i], column, width);
  }
  return anyTab ? length : 0;
}

// Each run of U+0020 and U+0009 that ends at a tab stop becomes one tab.
// `out` may be `in`: a run only ever shrinks.
detail::Rewritten joinSpaceRuns(const unichar* in, NSUInteger n, unichar* out, NSUInteger width) {
  constexpr NSUInteger kNoRun = NSNotFound;
  detail::Rewritten result;
  NSUInteger w = 0;
  NSUInteger column = 0;
  NSUInteger run = kNoRun;  // where the open run starts in `out`
  for (NSUInteger r = 0; r < n; ++r) {
    const unichar c = in[r];
    out[w++] = c;
    column = nextColumn(c, column, width);
    if (c != u' ' && c != u'\t') {
      run = kNoRun;
      continue;
    }
    if (run == kNoRun) run = w - 1;
    if (column != 0) continue;
    result.changed = result.changed || w - run != 1 || c != u'\t';
    out[run] = u'\t';
    w = run + 1;
    run = kNoRun;
  }
  result.length = w;
  return result;
}

}  // namespace

void decodeTabs(MutableString& s, NSUInteger width) {
  if (width == 0) return;
  String expanded = walkCharacters(s, String(), String(), [&](const unichar* in, NSUInteger n) {
    const NSUInteger length = expandedLength(in, n, width);
    if (length == 0) return String();
    auto* out = static_cast<unichar*>(allocateWorkMemory(length * sizeof(unichar)));
    if (out == nullptr) return String();
    NSUInteger w = 0;
    NSUInteger column = 0;
    for (NSUInteger i = 0; i < n; ++i) {
      if (in[i] == u'\t') {
        for (NSUInteger k = column; k < width; ++k) out[w++] = u' ';
      } else {
        out[w++] = in[i];
      }
      column = nextColumn(in[i], column, width);
    }
    return String::adoptingCharacters(out, w, detail::releaseUnits);
  });
  if (!expanded.isNil()) s = MutableString(expanded);
}

void encodeTabs(MutableString& s, NSUInteger width) {
  if (width == 0) return;
  detail::rewriteInPlace(s, [width](const unichar* in, NSUInteger n, unichar* out) {
    return joinSpaceRuns(in, n, out, width);
  });
}

}  // namespace orvin
