#include "strings/ConfigLines.h"

#include <cstdint>

#include "chars/CharacterSetReps.h"
#include "chars/InlineCharacterBuffer.h"
#include "chars/StringPredicates.h"
#include "chars/StringServices.h"
#include "strings/FeedCharacters.h"
#include "strings/Trimming.h"

namespace orvin {

std::vector<String> configLines(const String& s) {
  std::vector<String> result;
  const std::uint8_t* white = whiteCharacterSetRep();
  if (white == nullptr || s.isEmpty()) return result;
  InlineCharacterBuffer in(s);
  const NSInteger n = in.length();
  auto isWhite = [&](NSInteger i) { return isInCharacterSetRep(white, in.at(i)); };
  for (NSInteger next = 0; next < n;) {
    NSInteger start = next;
    NSInteger end = start;
    while (end < n && !isFeedCharacter(in.at(end))) ++end;
    next = end + 1;
    while (start < end && isWhite(start)) ++start;
    if (start == end || in.at(start) == u'#') continue;
    while (end > start && isWhite(end - 1)) --end;
    if (end - start >= 2) {
      result.push_back(s.substring(
          NSRange{static_cast<NSUInteger>(start), static_cast<NSUInteger>(end - start)}));
    }
  }
  return result;
}

String configValueForKey(const String& line, const String& key) {
  const NSUInteger m = key.length();
  if (m == 0 || line.length() <= m) return String();
  if (compareRange(line, NSRange{0, m}, key, kCompareCaseInsensitive) != NSOrderedSame) {
    return String();
  }
  const std::uint8_t* white = whiteCharacterSetRep();
  if (white == nullptr || !isInCharacterSetRep(white, line.characterAtIndex(m))) return String();
  String value = stringByTrimmingWhiteSpaces(line.substringFromIndex(m));
  return value.isEmpty() ? String() : value;
}

NSUInteger typedValueForKeys(const String& s, std::initializer_list<String> keys) {
  if (s.isNil()) return NSNotFound;
  NSUInteger index = 0;
  for (const String& key : keys) {
    if (key.isNil()) break;
    if (isEqualToStringNoCase(s, key)) return index;
    ++index;
  }
  return NSNotFound;
}

}  // namespace orvin
