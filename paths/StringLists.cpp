#include "paths/StringLists.h"

#include <algorithm>

#include "chars/StringServices.h"

namespace orvin {

NSUInteger indexOfStringInArray(std::span<const String> array, const String& s, CaseMode mode) {
  const NSUInteger length = s.length();
  if (length == 0) return NSNotFound;
  for (NSUInteger i = 0; i < array.size(); ++i) {
    const String& element = array[i];
    if (element.length() == length &&
        compareRange(element, NSRange{0, length}, s, compareOptions(mode)) == NSOrderedSame)
      return i;
  }
  return NSNotFound;
}

bool isAsciiString(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
}

}  // namespace orvin
