#include "chars/MutableString.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"

namespace orvin {

MutableString::MutableString() : String(u"") {}

MutableString::MutableString(const String& text) : String(text.isNil() ? String(u"") : text) {}

void MutableString::deleteCharactersInRange(NSRange range) {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("deleteCharactersInRange", range.location, range.length, length());
  }
  replaceUnchecked(range, nullptr, 0);
}

void MutableString::insertString(const String& text, NSUInteger index) {
  if (index > length()) raiseRangeException("insertString", index, 0, length());
  replaceCharactersInRange(NSRange{index, 0}, text);
}

void MutableString::appendString(const String& text) {
  replaceCharactersInRange(NSRange{length(), 0}, text);
}

void MutableString::appendCharacters(const unichar* chars, NSUInteger count) {
  if (chars == nullptr || count == 0) return;
  replaceUnchecked(NSRange{length(), 0}, chars, count);
}

void MutableString::replaceCharactersInRange(NSRange range, const String& text) {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("replaceCharactersInRange", range.location, range.length, length());
  }
  // `text` holds a reference of its own, so its units outlive the edit even
  // when it shares this string's storage (makeUniqueUtf16 then copies).
  if (const unichar* direct = text.charactersPtr()) {
    replaceUnchecked(range, direct, text.length());
    return;
  }
  WorkBuffer units(text.length());
  if (!units.ok()) return;
  text.getCharacters(units.data(), NSRange{0, text.length()});
  replaceUnchecked(range, units.data(), text.length());
}

void MutableString::setString(const String& text) {
  replaceCharactersInRange(NSRange{0, length()}, text);
}

bool MutableString::replaceWithUtf16(const std::u16string& text) {
  return replaceUnchecked(NSRange{0, length()}, text.data(), text.size());
}

bool MutableString::replaceUnchecked(NSRange range, const unichar* chars, NSUInteger count) {
  const NSUInteger oldLength = length();
  const NSUInteger newLength = oldLength - range.length + count;
  // Source units inside our own buffer would move under the edit: copy them.
  const unichar* own = charactersPtr();
  std::u16string aliasCopy;
  if (own != nullptr && count != 0 && chars >= own && chars < own + oldLength) {
    aliasCopy.assign(chars, count);
    chars = aliasCopy.data();
  }
  // Grow geometrically so repeated appends stay linear.
  NSUInteger capacity = newLength;
  if (newLength > oldLength) capacity = std::max(newLength, oldLength + oldLength / 2);
  if (!makeUniqueUtf16(capacity)) return false;
  unichar* units = mutableCharacters();
  const NSUInteger tail = oldLength - NSMaxRange(range);
  std::memmove(units + range.location + count, units + NSMaxRange(range), tail * sizeof(unichar));
  if (count != 0) std::memcpy(units + range.location, chars, count * sizeof(unichar));
  setLengthUnchecked(newLength);
  return true;
}

}  // namespace orvin
