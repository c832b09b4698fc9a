#include "strings/Lines.h"

#include "chars/InlineCharacterBuffer.h"
#include "chars/StandardWalk.h"
#include "strings/FeedCharacters.h"

namespace orvin {
namespace {

// The one line scan: calls emit(start, end) for each line [start, end), where
// at(i) reads code unit i of a text of `length` units.
template <class At, class Emit>
void scanLines(NSUInteger length, At&& at, Emit&& emit) {
  NSUInteger start = 0;
  for (NSUInteger i = 0; i < length; ++i) {
    const unichar c = at(i);
    if (isFeedCharacter(c)) {
      if (c == u'\r' && i + 1 < length && at(i + 1) == u'\n') ++i;
      emit(start, i + 1);
      start = i + 1;
    } else if (i + 1 == length) {
      emit(start, length);
    }
  }
}

}  // namespace

NSUInteger numberOfLines(const String& s) {
  NSUInteger count = 0;
  withDirectUnits(s, NSRange{0, s.length()}, [&count](auto* units, NSUInteger length) {
    scanLines(
        length, [units](NSUInteger i) { return unichar(units[i]); },
        [&count](NSUInteger, NSUInteger) { ++count; });
  });
  return count;
}

std::vector<String> lines(const String& s) {
  std::vector<String> result;
  withDirectUnits(s, NSRange{0, s.length()}, [&result](auto* units, NSUInteger length) {
    scanLines(
        length, [units](NSUInteger i) { return unichar(units[i]); },
        [&](NSUInteger start, NSUInteger end) {
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
