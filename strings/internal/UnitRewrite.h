// One-pass rewrites of a string's code units, shared by the removing,
// collapsing, mapping and sanitising operations: the immutable form builds a
// new string, the in-place form edits a MutableString without writing
// through storage that a copy still shares.
//
// A rewrite is called as rewrite(in, n, out) and answers a Rewritten. It
// reads the n code units at `in`, writes at most n code units at `out`, and
// must give the same result when `out` is `in` (every write lands at or
// before the read it comes from).
#pragma once

#include "chars/MutableString.h"
#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "chars/internal/MutableStringAccess.h"

namespace orvin::detail {

struct Rewritten {
  NSUInteger length = 0;  // code units written
  bool changed = false;   // false: the text stays as it was
};

inline void releaseUnits(unichar* units) {
  releaseWorkMemory(units);
}

// The rewritten text as a new string. The string itself when it is empty or
// nil, when the rewrite reports no change, and when a work buffer (above 256
// code units) or the new string cannot be allocated.
template <class Rewrite>
String rewrittenString(const String& s, Rewrite&& rewrite) {
  const NSUInteger n = s.length();
  if (n == 0) return s;
  WorkBuffer buffer(n);
  if (!buffer.ok()) return s;
  const unichar* in = s.charactersPtr();
  if (in == nullptr) {
    s.getCharacters(buffer.data(), NSRange{0, n});
    in = buffer.data();
  }
  const Rewritten r = rewrite(in, n, buffer.data());
  if (!r.changed) return s;
  // A heap block that is mostly used becomes the string's own storage.
  if (buffer.isOnHeap() && r.length >= n / 2) {
    String adopted = String::adoptingCharacters(buffer.takeHeapBlock(), r.length, releaseUnits);
    return adopted.isNil() ? s : adopted;
  }
  String copied = String::withCharacters(buffer.data(), r.length);
  return copied.isNil() ? s : copied;
}

// Rewrites `s` in place: unshared UTF-16 storage where it is; storage
// shared with copies (which keep their text) or compact is read where it is
// into a new text, built as rewrittenString builds it. When memory runs out
// (a work buffer above 256 code units) the text stays as it was.
template <class Rewrite>
void rewriteInPlace(MutableString& s, Rewrite&& rewrite) {
  const NSUInteger n = s.length();
  if (n == 0) return;
  if (MutableStringAccess::holdsUnsharedUtf16(s)) {
    unichar* units = MutableStringAccess::uniqueCharacters(s);  // no copy here
    if (units == nullptr) return;
    const Rewritten r = rewrite(units, n, units);
    if (r.changed) MutableStringAccess::truncate(s, r.length);
    return;
  }
  // One pass from the storage into the new text; no copy at all when the
  // rewrite changes nothing.
  const String rewritten = rewrittenString(s, rewrite);
  if (!rewritten.isIdenticalTo(s)) s = MutableString(rewritten);
}

}  // namespace orvin::detail
