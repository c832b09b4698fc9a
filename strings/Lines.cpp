#include "strings/Lines.h"

#include "chars/InlineCharacterBuffer.h"
#include "chars/StandardWalk.h"
#include "chars/internal/StringSearch.h"
#include "strings/FeedCharacters.h"

namespace orvin {
namespace {

// The one line scan: calls emit(start, end) for each line [start, end) of
// the `length` units at `p`; a vector scan skips to the units that may be
// feeds.
template <class T, class Emit>
void scanLines(const T* p, NSUInteger length, Emit&& emit) {
  NSUInteger start = 0;
  for (NSUInteger i = 0;; ++i) {
    i = detail::findFeedCandidate(p, i, length);
    if (i == length) break;
    const unichar c = p[i];
    if (!isFeedCharacter(c)) continue;
    if (c == u'\r' && i + 1 < length && p[i + 1] == u'\n') ++i;
    emit(start, i + 1);
    start = i + 1;
  }
  if (start < length) emit(start, length);
}

}  // namespace

NSUInteger numberOfLines(const String& s) {
  NSUInteger count = 0;
  withDirectUnits(s, NSRange{0, s.length()}, [&count](auto* units, NSUInteger length) {
    scanLines(units, length, [&count](NSUInteger, NSUInteger) { ++count; });
  });
  return count;
}

std::vector<String> lines(const String& s) {
  std::vector<String> result;
  withDirectUnits(s, NSRange{0, s.length()}, [&result](auto* units, NSUInteger length) {
    scanLines(units, length, [&](NSUInteger start, NSUInteger end) {
      // Each line in the storage form of its source; one that cannot be
      // made is left out, the rest still count.
      String line = stringFromUnits(units + start, end - start);
      if (!line.isNil()) result.push_back(std::move(line));
    });
  });
  return result;
}

String firstLine(const String& s) {
  const NSUInteger length = s.length();
  if (length == 0) return s;
  InlineCharacterBuffer in(s);
  for (NSUInteger i = 0; i < length; ++i) {
    if (isFeedCharacter(in.at(static_cast<NSInteger>(i)))) return s.substringToIndex(i);
  }
  return s;
}

String feedOfLine(const String& s) {
  if (s.isNil()) return s;
  const NSUInteger length = s.length();
  InlineCharacterBuffer in(s);
  NSUInteger start = length;
  while (start > 0 && isFeedCharacter(in.at(static_cast<NSInteger>(start - 1)))) --start;
  return s.substringFromIndex(start);
}

bool hasFeedOfLine(const String& s) {
  const NSUInteger length = s.length();
  return length != 0 && isFeedCharacter(s.characterAtIndex(length - 1));
}

}  // namespace orvin
