// In-place access to a MutableString's code units for the library's own
// editors, which rewrite a text in one pass instead of one edit per change.
// Private to the library.
#pragma once

#include "chars/MutableString.h"
#include "chars/internal/StringStorage.h"

namespace orvin::detail {

struct MutableStringAccess {
  // True when the text is UTF-16 that `s` alone holds and may grow, so an
  // edit in place copies nothing.
  [[nodiscard]] static bool holdsUnsharedUtf16(const MutableString& s) noexcept {
    const StringStorage* storage = s.storage_;
    return storage != nullptr && storage->kind == StringStorage::Kind::Utf16Owned &&
           storage->refs.load(std::memory_order_acquire) == 1;
  }
  // The text's code units, writable and held by `s` alone: storage shared
  // with copies, or compact, is copied first, so copies keep their text.
  // nullptr when that copy cannot be allocated; the text is then unchanged.
  [[nodiscard]] static unichar* uniqueCharacters(MutableString& s) {
    return s.makeUniqueUtf16(s.length()) ? s.mutableCharacters() : nullptr;
  }
  // Cuts the text to its first `length` code units; only after
  // uniqueCharacters, and never longer than the text.
  static void truncate(MutableString& s, NSUInteger length) noexcept {
    s.setLengthUnchecked(length);
  }
  // Replaces the whole text by `count` code units; false, leaving the text
  // as it was, when memory runs out.
  [[nodiscard]] static bool replaceAll(MutableString& s, const unichar* chars, NSUInteger count) {
    return s.replaceUnchecked(NSRange{0, s.length()}, chars, count);
  }
};

}  // namespace orvin::detail
