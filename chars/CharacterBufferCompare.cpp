#include "chars/CharacterBufferCompare.h"

#include <algorithm>

#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"
#include "chars/StringServices.h"

namespace orvin {
namespace {

// A byte is signed: 0x80..0xFF stand for the code units 0xFF80..0xFFFF.
inline unichar unitOfByte(char b) {
  return static_cast<unichar>(static_cast<signed char>(b));
}
inline bool isHighByte(char b) {
  return static_cast<signed char>(b) < 0;
}

struct AsIs {
  unichar operator()(unichar c) const { return c; }
};
struct ThroughTable {
  const unichar* table;
  unichar operator()(unichar c) const { return table[c]; }
};

// Calls f with the upper-case conversion, or with AsIs when the table cannot
// be built (comparing units as they are is the closest sound answer).
template <class F>
auto withUpperConversion(F&& f) {
  if (const unichar* upper = initUpperCharsTable()) return f(ThroughTable{upper});
  return f(AsIs{});
}

// The plain quadratic scan; short needles are the use.
template <class Needle, class Match>
const unichar* search(const unichar* chars, NSUInteger length, const Needle* subchars,
                      NSUInteger sublength, Match match) {
  // An empty needle wraps to the largest value and is never found.
  if (sublength - 1 >= length) return nullptr;
  const NSUInteger lastStart = length - sublength;
  for (NSUInteger p = 0; p <= lastStart; ++p) {
    NSUInteger i = 0;
    while (i < sublength && match(chars[p + i], subchars[i])) ++i;
    if (i == sublength) return chars + p;
  }
  return nullptr;
}

template <class A, class B, class KeyA, class KeyB>
NSInteger compare(const A* a, NSUInteger aLength, const B* b, NSUInteger bLength, KeyA keyA,
                  KeyB keyB) {
  const NSUInteger n = std::min(aLength, bLength);
  for (NSUInteger i = 0; i < n; ++i) {
    const NSInteger x = keyA(a[i]);
    const NSInteger y = keyB(b[i]);
    if (x != y) return x - y;
  }
  return static_cast<NSInteger>(aLength) - static_cast<NSInteger>(bLength);
}

template <class Conv>
NSInteger compareUnits(const unichar* a, NSUInteger aLength, const unichar* b, NSUInteger bLength,
                       Conv conv) {
  auto key = [conv](unichar c) -> NSInteger { return conv(c); };
  return compare(a, aLength, b, bLength, key, key);
}

template <class Conv>
NSInteger compareUnitsWithBytes(const unichar* a, NSUInteger aLength, const char* b,
                                NSUInteger bLength, Conv conv) {
  return compare(
      a, aLength, b, bLength, [conv](unichar c) -> NSInteger { return conv(c); },
      [conv](char c) -> NSInteger { return conv(unitOfByte(c)); });
}

template <class Conv>
NSInteger compareBytes(const char* a, NSUInteger aLength, const char* b, NSUInteger bLength,
                       Conv conv) {
  // High bytes keep their negative value so that they sort below 0x00.
  auto key = [conv](char c) -> NSInteger {
    return isHighByte(c) ? static_cast<signed char>(c) : conv(static_cast<unichar>(c));
  };
  return compare(a, aLength, b, bLength, key, key);
}

template <class Conv>
bool equalMembers(const unichar* a, NSUInteger aLength, const unichar* b, NSUInteger bLength,
                  const std::uint8_t* rep, bool prefix, Conv conv) {
  NSUInteger j = 0;
  for (NSUInteger i = 0; i < aLength; ++i) {
    const unichar x = a[i];
    if (!isInCharacterSetRep(rep, x)) continue;
    while (j < bLength && !isInCharacterSetRep(rep, b[j])) ++j;
    // b ran out while a still has members: every member of b matched.
    if (j == bLength) return prefix;
    if (conv(x) != conv(b[j])) return false;
    ++j;
  }
  for (; j < bLength; ++j) {
    if (isInCharacterSetRep(rep, b[j])) return false;
  }
  return true;
}

}  // namespace

const unichar* fastContainsUnichars(const unichar* chars, NSUInteger length,
                                    const unichar* subchars, NSUInteger sublength) {
  return search(chars, length, subchars, sublength, [](unichar h, unichar n) { return h == n; });
}

const unichar* fastCaseInsensitiveContainsUnichars(const unichar* chars, NSUInteger length,
                                                   const unichar* subchars, NSUInteger sublength) {
  return withUpperConversion([&](auto conv) {
    return search(chars, length, subchars, sublength,
                  [conv](unichar h, unichar n) { return conv(h) == conv(n); });
  });
}

const unichar* fastUnicharsContainChars(const unichar* chars, NSUInteger length,
                                        const char* subchars, NSUInteger sublength) {
  return search(chars, length, subchars, sublength,
                [](unichar h, char n) { return !isHighByte(n) && h == unitOfByte(n); });
}

const unichar* fastCaseInsensitiveUnicharsContainChars(const unichar* chars, NSUInteger length,
                                                       const char* subchars, NSUInteger sublength) {
  return withUpperConversion([&](auto conv) {
    return search(chars, length, subchars, sublength,
                  [conv](unichar h, char n) { return conv(h) == conv(unitOfByte(n)); });
  });
}

const unichar* positionOfCharacters(const char* chars, NSUInteger length,
                                    const unichar* inCharacters, NSUInteger inLength,
                                    bool caseSensitive) {
  return caseSensitive
             ? fastUnicharsContainChars(inCharacters, inLength, chars, length)
             : fastCaseInsensitiveUnicharsContainChars(inCharacters, inLength, chars, length);
}

NSInteger fastCompareUnichars(const unichar* chars, NSUInteger length, const unichar* otherChars,
                              NSUInteger otherLength) {
  return compareUnits(chars, length, otherChars, otherLength, AsIs{});
}

NSInteger fastCompareUnicharsUsingConversionTable(const unichar* chars, NSUInteger length,
                                                  const unichar* otherChars, NSUInteger otherLength,
                                                  const unichar* table) {
  if (table == nullptr) return compareUnits(chars, length, otherChars, otherLength, AsIs{});
  return compareUnits(chars, length, otherChars, otherLength, ThroughTable{table});
}

NSInteger fastCaseInsensitiveCompareUnichars(const unichar* chars, NSUInteger length,
                                             const unichar* otherChars, NSUInteger otherLength) {
  return withUpperConversion(
      [&](auto conv) { return compareUnits(chars, length, otherChars, otherLength, conv); });
}

NSInteger fastCompareUnicharsWithChars(const unichar* chars, NSUInteger length,
                                       const char* otherChars, NSUInteger otherLength) {
  return compareUnitsWithBytes(chars, length, otherChars, otherLength, AsIs{});
}

NSInteger fastCaseInsensitiveCompareUnicharsWithChars(const unichar* chars, NSUInteger length,
                                                      const char* otherChars,
                                                      NSUInteger otherLength) {
  return withUpperConversion([&](auto conv) {
    return compareUnitsWithBytes(chars, length, otherChars, otherLength, conv);
  });
}

NSInteger fastCompareChars(const char* chars, NSUInteger length, const char* otherChars,
                           NSUInteger otherLength) {
  return compareBytes(chars, length, otherChars, otherLength, AsIs{});
}

NSInteger fastCaseInsensitiveCompareChars(const char* chars, NSUInteger length,
                                          const char* otherChars, NSUInteger otherLength) {
  return withUpperConversion(
      [&](auto conv) { return compareBytes(chars, length, otherChars, otherLength, conv); });
}

NSInteger compareCharacters(const unichar* chars, NSUInteger length, const unichar* otherChars,
                            NSUInteger otherLength) {
  return fastCompareUnichars(chars, length, otherChars, otherLength);
}

NSInteger caseInsensitiveCompareCharacters(const unichar* chars, NSUInteger length,
                                           const unichar* otherChars, NSUInteger otherLength) {
  return fastCaseInsensitiveCompareUnichars(chars, length, otherChars, otherLength);
}

NSInteger compareCharacters(const unichar* chars, NSUInteger length, const char* otherChars,
                            NSUInteger otherLength) {
  return fastCompareUnicharsWithChars(chars, length, otherChars, otherLength);
}

NSInteger caseInsensitiveCompareCharacters(const unichar* chars, NSUInteger length,
                                           const char* otherChars, NSUInteger otherLength) {
  return fastCaseInsensitiveCompareUnicharsWithChars(chars, length, otherChars, otherLength);
}

bool equalStringsUsingConversionTable(const String& a, const String& b, const unichar* table) {
  const NSUInteger length = a.length();
  if (length != b.length()) return false;
  if (length == 0) return true;
  if (table == nullptr)
    return compareRange(a, NSRange{0, length}, b, kCompareNone) == NSOrderedSame;

  WorkBuffer buffer(2 * length);
  if (!buffer.ok()) return false;
  unichar* units = buffer.data();
  a.getCharacters(units, NSRange{0, length});
  b.getCharacters(units + length, NSRange{0, length});
  const unichar* other = units + length;
  for (NSUInteger i = 0; i < length; ++i) {
    if (table[units[i]] != table[other[i]]) return false;
  }
  return true;
}

bool _equalCharsOfCharacterSetRep(const unichar* a, NSUInteger aLength, const unichar* b,
                                  NSUInteger bLength, const std::uint8_t* rep, bool noCase,
                                  bool prefix) {
  // Without a rep nothing can be told apart; "equal" would be a guess.
  if (rep == nullptr) return false;
  if (!noCase) return equalMembers(a, aLength, b, bLength, rep, prefix, AsIs{});
  return withUpperConversion(
      [&](auto conv) { return equalMembers(a, aLength, b, bLength, rep, prefix, conv); });
}

bool equalCharsOfCharacterSetRep(const unichar* a, NSUInteger aLength, const unichar* b,
                                 NSUInteger bLength, const std::uint8_t* rep) {
  return _equalCharsOfCharacterSetRep(a, aLength, b, bLength, rep, false, false);
}

bool equalCharsNoCaseOfCharacterSetRep(const unichar* a, NSUInteger aLength, const unichar* b,
                                       NSUInteger bLength, const std::uint8_t* rep) {
  return _equalCharsOfCharacterSetRep(a, aLength, b, bLength, rep, true, false);
}

bool hasPrefixCharsOfCharacterSetRep(const unichar* a, NSUInteger aLength, const unichar* b,
                                     NSUInteger bLength, const std::uint8_t* rep) {
  return _equalCharsOfCharacterSetRep(a, aLength, b, bLength, rep, false, true);
}

bool hasPrefixCharsNoCaseOfCharacterSetRep(const unichar* a, NSUInteger aLength, const unichar* b,
                                           NSUInteger bLength, const std::uint8_t* rep) {
  return _equalCharsOfCharacterSetRep(a, aLength, b, bLength, rep, true, true);
}

bool _equalStringsUsingCharacterSetRep(const String& a, const String& b, const std::uint8_t* rep,
                                       bool noCase, bool prefix) {
  const NSUInteger aLength = a.length();
  const NSUInteger bLength = b.length();
  const NSUInteger total = aLength + bLength;
  if (total == 0) return true;

  WorkBuffer buffer(total);
  if (!buffer.ok()) return false;
  unichar* units = buffer.data();
  a.getCharacters(units, NSRange{0, aLength});
  b.getCharacters(units + aLength, NSRange{0, bLength});
  return _equalCharsOfCharacterSetRep(units, aLength, units + aLength, bLength, rep, noCase,
                                      prefix);
}

bool equalStringsUsingCharacterSetRep(const String& a, const String& b, const std::uint8_t* rep) {
  return _equalStringsUsingCharacterSetRep(a, b, rep, false, false);
}

bool equalStringsNoCaseUsingCharacterSetRep(const String& a, const String& b,
                                            const std::uint8_t* rep) {
  return _equalStringsUsingCharacterSetRep(a, b, rep, true, false);
}

bool hasPrefixUsingCharacterSetRep(const String& a, const String& b, const std::uint8_t* rep) {
  return _equalStringsUsingCharacterSetRep(a, b, rep, false, true);
}

bool hasPrefixNoCaseUsingCharacterSetRep(const String& a, const String& b,
                                         const std::uint8_t* rep) {
  return _equalStringsUsingCharacterSetRep(a, b, rep, true, true);
}

bool onlyWhiteCharacters(const unichar* chars, NSUInteger length) {
  const std::uint8_t* white = whiteCharacterSetRep();
  if (white == nullptr) return false;
  for (NSUInteger i = 0; i < length; ++i) {
    if (!isInCharacterSetRep(white, chars[i])) return false;
  }
  return true;
}

bool isMashedWordCharacters(const unichar* chars, NSUInteger length) {
  if (length < 3) return false;
  const std::uint8_t* upper = upperCharacterSetRep();
  const std::uint8_t* lower = lowerCharacterSetRep();
  if (upper == nullptr || lower == nullptr) return false;

  if (!isInCharacterSetRep(upper, chars[0])) return false;
  NSUInteger k = 1;
  while (k < length && isInCharacterSetRep(lower, chars[k])) ++k;
  // The lower-case run reached the end: no second capital.
  if (k == length) return false;
  if (k < 2) return false;
  if (!isInCharacterSetRep(upper, chars[k]) || k == length - 1) return false;
  return isInCharacterSetRep(lower, chars[k + 1]);
}

}  // namespace orvin
