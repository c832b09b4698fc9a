#include "strings/Numbers.h"

#include <algorithm>

#include "chars/StandardWalk.h"
#include "chars/StringServices.h"
#include "chars/internal/StringSearch.h"

namespace orvin {
namespace {

constexpr bool isAsciiDigit(unichar c) noexcept {
  return c >= u'0' && c <= u'9';
}

}  // namespace

bool boolValue(const String& s) {
  if (integerValue(s) != 0) return true;
  const char16_t* word = nullptr;
  switch (s.length()) {
    case 2:
      word = u"on";
      break;
    case 3:
      word = u"yes";
      break;
    case 4:
      word = u"true";
      break;
    default:
      return false;
  }
  return compareRange(s, NSRange{0, s.length()}, word, kCompareCaseInsensitive) == NSOrderedSame;
}

NSUInteger countNumbers(const String& s) {
  return walkCharacters(s, NSUInteger{0}, NSUInteger{0}, [](const unichar* p, NSUInteger n) {
    NSUInteger count = 0;
    for (NSUInteger i = 0; i < n; ++i) {
      if (!isAsciiDigit(p[i])) continue;
      ++count;
      while (i + 1 < n && isAsciiDigit(p[i + 1])) ++i;
    }
    return count;
  });
}

bool containsNumber(const String& s, const String& number) {
  const NSUInteger m = number.length();
  if (m == 0 || m > s.length()) return false;
  return walkCharacters(s, false, false, [&](const unichar* hay, NSUInteger n) {
    return walkCharacters(number, false, false, [&](const unichar* needle, NSUInteger) {
      for (NSUInteger p = 0; p < n;) {
        const NSUInteger found = detail::findUnits(hay + p, n - p, needle, m, kCompareNone);
        if (found == NSNotFound) return false;
        const NSUInteger l = p + found;
        const NSUInteger e = l + m;
        const bool digitBefore = l > 0 && isAsciiDigit(hay[l - 1]);
        const bool digitAfter = e < n && isAsciiDigit(hay[e]);
        if (!digitBefore && !digitAfter) return true;
        p = e;
      }
      return false;
    });
  });
}

bool containsNumberWithNDigits(const String& s, NSUInteger digits) {
  if (digits == 0 || digits > s.length()) return false;
  return walkCharacters(s, false, false, [digits](const unichar* p, NSUInteger n) {
    NSUInteger run = 0;
    for (NSUInteger i = 0; i < n; ++i) {
      run = isAsciiDigit(p[i]) ? run + 1 : 0;
      if (run == digits) return true;
    }
    return false;
  });
}

NSUInteger getChars(const String& s, std::span<std::uint8_t> buffer) {
  const NSUInteger count = std::min<NSUInteger>(s.length(), buffer.size());
  return walkCharacters(s, NSUInteger{0}, NSUInteger{0}, [&](const unichar* p, NSUInteger) {
    for (NSUInteger i = 0; i < count; ++i) buffer[i] = static_cast<std::uint8_t>(p[i] & 0xFF);
    return count;
  });
}

}  // namespace orvin
