#include "paths/Replacing.h"

#include <string>

#include "chars/internal/MutableStringAccess.h"
#include "paths/CharacterFinding.h"
#include "paths/SubstringSearch.h"
#include "strings/RemovingCharacters.h"

namespace orvin {

String stringByRemovingCharacters(const String& s, unichar c) {
  if (s.isNil()) return s;
  MutableString copy(s);
  removeCharacters(copy, c);
  return copy;
}

String stringByRemovingCharactersOfString(const String& s, const String& set) {
  if (s.isNil()) return s;
  MutableString copy(s);
  removeCharactersOfString(copy, set);
  return copy;
}

String stringByReplacingString(const String& s, const String& target, const String& replacement,
                               CaseMode mode) {
  if (replacement.isNil() || !containsSubstring(s, target, mode)) return s;
  MutableString copy(s);
  replaceString(copy, target, replacement, mode);
  return copy;
}

NSUInteger replaceCharacter(MutableString& s, unichar c, unichar r, CaseMode mode) {
  NSUInteger i = findCharacter(s, c, mode);
  if (i == NSNotFound) return 0;
  // Copies sharing the text keep it: the units are made our own first.
  unichar* units = detail::MutableStringAccess::uniqueCharacters(s);
  if (units == nullptr) return 0;
  NSUInteger count = 0;
  for (; i != NSNotFound; i = findCharacter(s, c, i + 1, mode)) {
    units[i] = r;
    ++count;
  }
  return count;
}

NSUInteger replaceString(MutableString& s, const String& target, const String& replacement,
                         CaseMode mode) {
  if (target.isEmpty() || s.isEmpty()) return 0;
  return s.replaceOccurrencesOfString(target, replacement.isNil() ? String(u"") : replacement,
                                      compareOptions(mode), NSRange{0, s.length()});
}

NSUInteger replaceStringWithFormat(MutableString& s, const String& target, const String& format,
                                   std::initializer_list<FormatArgument> args) {
  if (format.isNil()) return 0;
  const String replacement = stringWithFormat(format, args);
  return replaceString(s, target, replacement.isNil() ? String(u"") : replacement);
}

NSUInteger deleteString(MutableString& s, const String& target) {
  return replaceString(s, target, String(u""));
}

void removeCharacterAtIndex(MutableString& s, NSUInteger index) {
  s.deleteCharactersInRange(NSRange{index, 1});
}

void insertCharacter(MutableString& s, unichar c, NSUInteger index) {
  s.insertString(String(std::u16string_view(&c, 1)), index);
}

void appendUnichar(MutableString& s, unichar c) {
  s.appendCharacters(&c, 1);
}

void appendUnichars(MutableString& s, std::span<const unichar> units) {
  if (!units.empty()) s.appendCharacters(units.data(), units.size());
}

void appendSubstring(MutableString& s, const String& source, NSRange range) {
  const String part = source.substring(range);
  if (range.length != 0) s.appendString(part);
}

void appendTrimmedString(MutableString& s, const String& text) {
  if (text.isNil()) return;
  MutableString trimmed(text);
  trimmed.trimWhitespace();
  s.appendString(trimmed);
}

}  // namespace orvin
