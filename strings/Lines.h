// Lines and line ends: splitting a string into lines and inspecting the feed
// characters (strings/FeedCharacters.h) at its end.
//
// A line runs up to and including its terminator: one feed character, or
// U+000D U+000A taken together. The last line of a string that does not end in
// a terminator has none; a string that ends in one has no empty line after it.
// A nil string reads as empty, except where a String result is answered: nil
// gives nil, as a message to nil would.
#pragma once

#include <vector>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The number of lines; 0 for the empty string.
//   numberOfLines(u"a\r\nb")  // 2
//   numberOfLines(u"a\n\rb")  // 3
[[nodiscard]] NSUInteger numberOfLines(const String& s);

// Every line as a new string, in order, each with its terminator; empty for
// the empty string. Lines of a compact string are compact.
//   lines(u"a\r\nb")  // {u"a\r\n", u"b"}
[[nodiscard]] std::vector<String> lines(const String& s);

// The text before the first feed character: the string itself when it holds
// none, "" when it starts with one.
//   firstLine(u"abc\ndef")  // u"abc"
//   firstLine(u"\n\n")      // u""
[[nodiscard]] String firstLine(const String& s);

// The run of feed characters at the end of the string (possibly all of it,
// then the string itself); "" when the last code unit is not a feed.
//   feedOfLine(u"abc\r\n")  // u"\r\n"
//   feedOfLine(u"abc\n ")   // u""
[[nodiscard]] String feedOfLine(const String& s);

// True when the last code unit is a feed character; false for "".
//   hasFeedOfLine(u"abc\n")  // true
[[nodiscard]] bool hasFeedOfLine(const String& s);

}  // namespace orvin
ORVIN_PUBLIC_END
