#include "chars/InlineCharacterBuffer.h"

#include <algorithm>

#include "chars/PlatformException.h"

namespace orvin {

InlineCharacterBuffer::InlineCharacterBuffer(const String& s)
    : InlineCharacterBuffer(s, NSRange{0, s.length()}) {}

InlineCharacterBuffer::InlineCharacterBuffer(const String& s, NSRange range) : text_(s) {
  if (!rangeFitsLength(range, s.length())) {
    raiseRangeException("InlineCharacterBuffer", range.location, range.length, s.length());
  }
  start_ = static_cast<NSInteger>(range.location);
  length_ = static_cast<NSInteger>(range.length);
  if (const unichar* p = s.charactersPtr()) direct_ = p + range.location;
}

void InlineCharacterBuffer::refill(NSInteger index) noexcept {
  windowStart_ = std::max<NSInteger>(0, index - kLookBehind);
  windowEnd_ = std::min(length_, windowStart_ + kWindow);
  text_.getCharacters(window_, NSRange{static_cast<NSUInteger>(start_ + windowStart_),
                                       static_cast<NSUInteger>(windowEnd_ - windowStart_)});
}

}  // namespace orvin
