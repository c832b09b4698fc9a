#include "chars/StringPredicates.h"

#include "chars/CharacterBufferCompare.h"
#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"
#include "chars/StringServices.h"

namespace orvin {
namespace {

// True at the first code unit of `s` that satisfies `test`.
template <class Test>
bool anyUnit(const String& s, Test test) {
  const NSUInteger length = s.length();
  if (length == 0) return false;
  return withDirectUnits(s, NSRange{0, length}, [&](auto* p, NSUInteger) {
    for (NSUInteger i = 0; i < length; ++i) {
      if (test(unichar(p[i]))) return true;
    }
    return false;
  });
}

// Compares fold(s[range.location + i]) with fold(other[i]); `range` must fit
// `s` and `other` must have range.length code units.
template <class Fold>
bool equalFolds(const String& s, NSRange range, const String& other, Fold fold) {
  if (range.length == 0) return true;
  return withDirectUnits(s, range, [&](auto* a, NSUInteger) {
    return withDirectUnits(other, NSRange{0, range.length}, [&](auto* b, NSUInteger) {
      for (NSUInteger i = 0; i < range.length; ++i) {
        if (fold(unichar(a[i])) != fold(unichar(b[i]))) return false;
      }
      return true;
    });
  });
}

// Accents removed, then ASCII upper case; what is not ASCII becomes a space.
struct AsciiFold {
  const unichar* umlauts;
  unichar operator()(unichar c) const { return asciiUpperOfUnaccented(umlauts[c]); }
};

struct TableFold {
  const unichar* table;
  unichar operator()(unichar c) const { return table[c]; }
};

bool asciiEqualRange(const String& s, NSRange range, const String& other) {
  if (other.isNil() || !rangeFitsLength(range, s.length())) return false;
  if (other.length() != range.length) return false;
  if (range.length == 0) return true;
  const unichar* umlauts = initUmlautsCharsTable();
  if (umlauts == nullptr) return false;
  return equalFolds(s, range, other, AsciiFold{umlauts});
}

bool nonUmlautedEqualRange(const String& s, NSRange range, const String& other) {
  if (other.isNil() || !rangeFitsLength(range, s.length())) return false;
  if (other.length() != range.length) return false;
  if (range.length == 0) return true;
  const unichar* upperUmlauts = initUpperUmlautsCharsTable();
  if (upperUmlauts == nullptr) return false;
  return equalFolds(s, range, other, TableFold{upperUmlauts});
}

// The platform comparison of `range` of `s` with the whole of `other`, after
// the length check that keeps strings of different lengths apart. Absent
// `other` counts as empty.
bool rangeComparesEqual(const String& s, NSRange range, const String& other, NSUInteger options) {
  if (!rangeFitsLength(range, s.length())) return false;
  if (other.length() != range.length) return false;
  if (range.length == 0) return true;
  return compareRange(s, range, other, options) == NSOrderedSame;
}

}  // namespace

bool isStringEmpty(const String& s) {
  return s.isNil() || s.length() == 0;
}

bool isStringNotEmpty(const String& s) {
  return !isStringEmpty(s);
}

bool isAsciiString(const String& s) {
  return !anyUnit(s, [](unichar c) { return c >= 0x80; });
}

bool isUmlautedString(const String& s) {
  const unichar* umlauts = initUmlautsCharsTable();
  if (umlauts == nullptr) return false;
  return anyUnit(s, [umlauts](unichar c) { return umlauts[c] != c; });
}

bool isLowerCaseString(const String& s) {
  const unichar* lower = initLowerCharsTable();
  if (lower == nullptr) return false;
  return !anyUnit(s, [lower](unichar c) { return lower[c] != c; });
}

bool isUpperCaseString(const String& s) {
  const unichar* upper = initUpperCharsTable();
  if (upper == nullptr) return false;
  return !anyUnit(s, [upper](unichar c) { return upper[c] != c; });
}

bool isMashedWord(const String& s) {
  if (s.length() < 3) return false;
  return walkCharacters(s, false, false, [](const unichar* chars, NSUInteger length) {
    return isMashedWordCharacters(chars, length);
  });
}

bool isEqualToStringNoCase(const String& s, const String& other) {
  if (other.isNil()) return false;
  return rangeComparesEqual(s, NSRange{0, s.length()}, other, kCompareCaseInsensitive);
}

bool isAsciiEqualToStringNoCase(const String& s, const String& other) {
  return asciiEqualRange(s, NSRange{0, s.length()}, other);
}

bool isNonUmlautedEqualToStringNoCase(const String& s, const String& other) {
  return nonUmlautedEqualRange(s, NSRange{0, s.length()}, other);
}

bool hasPrefixNoCase(const String& s, const String& other) {
  const NSUInteger otherLength = other.length();
  if (otherLength == 0 || otherLength > s.length()) return false;
  return rangeComparesEqual(s, NSRange{0, otherLength}, other, kCompareCaseInsensitive);
}

bool hasSuffixNoCase(const String& s, const String& other) {
  const NSUInteger length = s.length();
  const NSUInteger otherLength = other.length();
  if (otherLength == 0 || otherLength > length) return false;
  return rangeComparesEqual(s, NSRange{length - otherLength, otherLength}, other,
                            kCompareCaseInsensitive);
}

bool rangeIsEqualTo(const String& s, NSRange range, const String& other) {
  return rangeComparesEqual(s, range, other, kCompareNone);
}

bool rangeIsEqualToNoCase(const String& s, NSRange range, const String& other) {
  return rangeComparesEqual(s, range, other, kCompareCaseInsensitive);
}

bool rangeIsAsciiEqualToNoCase(const String& s, NSRange range, const String& other) {
  return asciiEqualRange(s, range, other);
}

bool rangeIsNonUmlautedEqualToNoCase(const String& s, NSRange range, const String& other) {
  return nonUmlautedEqualRange(s, range, other);
}

}  // namespace orvin
