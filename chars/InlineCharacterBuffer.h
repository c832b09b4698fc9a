// A sequential reader over a range of a string that keeps a 64-code-unit
// window. Reading an index outside the window refills it to start 4 code
// units before that index (not before the range's start), so short look-backs
// stay inside the window. Reads outside the range give U+0000.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

class InlineCharacterBuffer {
 public:
  static constexpr NSInteger kWindow = 64;
  static constexpr NSInteger kLookBehind = 4;

  // Reads `range` of `s`, which must lie inside it (else NSRangeException).
  //   InlineCharacterBuffer in(text);
  //   for (NSInteger i = 0; in.at(i) != 0; ++i) ...
  InlineCharacterBuffer(const String& s, NSRange range);
  explicit InlineCharacterBuffer(const String& s);

  // The code unit at `index` (relative to the range's start), or U+0000
  // when index is negative or past the range.
  [[nodiscard]] unichar at(NSInteger index) noexcept {
    if (index < 0 || index >= length_) return 0;
    if (direct_ != nullptr) return direct_[index];
    if (index < windowStart_ || index >= windowEnd_) refill(index);
    return window_[index - windowStart_];
  }
  [[nodiscard]] NSInteger length() const noexcept { return length_; }

 private:
  void refill(NSInteger index) noexcept;

  String text_;  // keeps the storage alive while reading
  const unichar* direct_ = nullptr;
  NSInteger start_ = 0;
  NSInteger length_ = 0;
  NSInteger windowStart_ = 0;
  NSInteger windowEnd_ = 0;
  unichar window_[kWindow];
};

}  // namespace orvin
ORVIN_PUBLIC_END
