#include "strings/Words.h"

#include "chars/CharacterSetReps.h"
#include "chars/InlineCharacterBuffer.h"
#include "strings/internal/UnitReading.h"

namespace orvin {
namespace {

constexpr NSRange kNotFound{NSNotFound, 0};

// The maximal run of members around `index` (signed, already checked to lie
// inside the text), or not found when the unit at `index` is no member.
template <class IsMember>
NSRange runAround(InlineCharacterBuffer& in, NSInteger index, IsMember&& isMember) {
  if (!isMember(in.at(index))) return kNotFound;
  NSInteger end = index + 1;
  while (end < in.length() && isMember(in.at(end))) ++end;
  NSInteger start = index;
  while (start > 0 && isMember(in.at(start - 1))) --start;
  return NSRange{static_cast<NSUInteger>(start), static_cast<NSUInteger>(end - start)};
}

// The signed reading of an index: negative and past-the-end find nothing.
bool indexInside(NSInteger index, NSInteger length) {
  return index >= 0 && index < length;
}

String textOfRange(const String& s, NSRange range) {
  if (s.isNil()) return s;
  return range.location == NSNotFound ? detail::constantEmptyString() : s.substring(range);
}

constexpr bool isCurlyQuote(unichar c) {
  return c >= 0x201C && c <= 0x201F;
}

bool isEmailStop(unichar c) {
  switch (c) {
    case u'"':
    case u'(':
    case u'@':
    case u'[':
    case u'\'':
    case u'|':
      return true;
    default:
      return isCurlyQuote(c);
  }
}

bool isTrailingLinkPunctuation(unichar c, bool email) {
  switch (c) {
    case u'!':
    case u'"':
    case u'\'':
    case u',':
    case u'.':
    case u':':
    case u';':
    case u'?':
      return true;
    case u')':
    case u'*':
    case u']':
    case u'|':
      return email;
    default:
      return isCurlyQuote(c);
  }
}

}  // namespace

NSRange getWordRangeAtIndex(const String& s, NSUInteger index) {
  const NSInteger n = static_cast<NSInteger>(s.length());
  const NSInteger i = index == NSNotFound ? n - 1 : static_cast<NSInteger>(index);
  if (!indexInside(i, n)) return kNotFound;
  const std::uint8_t* word = alphaNumCharacterSetRep();
  if (word == nullptr) return kNotFound;
  InlineCharacterBuffer in(s);
  return runAround(in, i, [word](unichar c) { return isInCharacterSetRep(word, c); });
}

String getWordAtIndex(const String& s, NSUInteger index) {
  return textOfRange(s, getWordRangeAtIndex(s, index));
}

String firstWord(const String& s) {
  return getWordAtIndex(s, 0);
}

String lastWord(const String& s) {
  return getWordAtIndex(s, NSNotFound);
}

NSRange getSubstringRangeAtIndex(const String& s, NSUInteger index,
                                 const std::uint8_t* separators) {
  const NSInteger n = static_cast<NSInteger>(s.length());
  const NSInteger i = static_cast<NSInteger>(index);
  if (!indexInside(i, n)) return kNotFound;
  InlineCharacterBuffer in(s);
  return runAround(in, i, [separators](unichar c) {
    return separators == nullptr || !isInCharacterSetRep(separators, c);
  });
}

String getSubstringAtIndex(const String& s, NSUInteger index, const std::uint8_t* separators) {
  return textOfRange(s, getSubstringRangeAtIndex(s, index, separators));
}

NSRange getLinkRangeAtIndex(const String& s, NSUInteger index) {
  const NSInteger n = static_cast<NSInteger>(s.length());
  const NSInteger i = static_cast<NSInteger>(index);
  if (!indexInside(i, n)) return kNotFound;
  const std::uint8_t* white = whiteCharacterSetRep();
  if (white == nullptr) return kNotFound;
  InlineCharacterBuffer in(s);
  const bool email = in.at(i) == u'@';
  if (email && i == 0) return kNotFound;

  // Forward: the unit at the index itself is not tested.
  NSInteger last = i;
  while (last + 1 < n) {
    const unichar d = in.at(last + 1);
    if (isInCharacterSetRep(white, d) || d == u'>' || (email && d == u'@')) break;
    ++last;
  }

  // Backward: the boundary is the first stop at or below the start point.
  NSInteger boundary = -1;
  for (NSInteger j = email ? i - 1 : i; j >= 0; --j) {
    const unichar c = in.at(j);
    if (isInCharacterSetRep(white, c) || c == u'<') {
      boundary = j;
      break;
    }
    if (!email) continue;
    if (isEmailStop(c) || (c == u'.' && (j == 0 || in.at(j - 1) == u'.'))) {
      boundary = j;
      break;
    }
  }

  const NSInteger start = boundary + 1;
  NSInteger end = last + 1;
  while (end > start && isTrailingLinkPunctuation(in.at(end - 1), email)) --end;
  if (end <= start) return kNotFound;
  return NSRange{static_cast<NSUInteger>(start), static_cast<NSUInteger>(end - start)};
}

String getLinkAtIndex(const String& s, NSUInteger index) {
  return textOfRange(s, getLinkRangeAtIndex(s, index));
}

}  // namespace orvin
