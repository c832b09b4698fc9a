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
  const NSUInteger length = s.length();
  NSUInteger count = 0;
  auto tally = [&count](NSUInteger, NSUInteger) { ++count; };
  if (const unichar* direct = s.charactersPtr()) {
    scanLines(
        length, [direct](NSUInteger i) { return direct[i]; }, tally);
  } else if (length != 0) {
    InlineCharacterBuffer in(s);
    scanLines(
        length, [&in](NSUInteger i) { return in.at(static_cast<NSInteger>(i)); }, tally);
  }
  return count;
}

std::vector<String> lines(const String& s) {
  return walkCharacters(s, std::vector<String>(), std::vector<String>(),
                        [](const unichar* chars, NSUInteger length) {
                          std::vector<String> result;
                          scanLines(
                              length, [chars](NSUInteger i) { return chars[i]; },
                              [&](NSUInteger start, NSUInteger end) {
                                String line = String::withCharacters(chars + start, end - start);
                                // A line that cannot be made is left out; the rest still count.
                                if (!line.isNil()) result.push_back(std::move(line));
                              });
                          return result;
                        });
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
