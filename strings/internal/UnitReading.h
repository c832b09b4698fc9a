// Reading helpers shared by the scanning operations of strings/: one reader
// over both storage forms, the "" constant, and copies that are never the
// string itself. Private to the library.
#pragma once

#include "chars/InlineCharacterBuffer.h"
#include "chars/StandardWalk.h"
#include "chars/String.h"

namespace orvin::detail {

// Calls scan(at) where at(i) reads code unit i of `s` (i below its length):
// through the direct pointer when the storage has one, else through the
// inline buffer. The reader, and its hold on the storage, ends before the
// call returns, so the caller may then edit the string without a copy.
template <class Scan>
auto scanUnits(const String& s, Scan&& scan) {
  if (const unichar* direct = s.charactersPtr()) {
    return scan([direct](NSUInteger i) { return direct[i]; });
  }
  InlineCharacterBuffer in(s);
  return scan([&in](NSUInteger i) { return in.at(static_cast<NSInteger>(i)); });
}

// The process-wide constant empty string, distinct from any other "".
[[nodiscard]] inline const String& constantEmptyString() {
  static const String* const empty = new String(u"");
  return *empty;
}

// The code units of `range` (which must lie inside `s`) as a string that
// never shares the storage of `s`, even for the whole range. The string
// itself when the copy cannot be allocated.
[[nodiscard]] inline String newSubstring(const String& s, NSRange range) {
  if (range.length != s.length()) return s.substring(range);
  return walkCharacters(s, String(u""), s, [&s](const unichar* units, NSUInteger n) {
    String copy = String::withCharacters(units, n);
    return copy.isNil() ? s : copy;
  });
}

}  // namespace orvin::detail
