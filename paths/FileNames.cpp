#include "paths/FileNames.h"

#include <unicode/utf16.h>

#include <algorithm>

#include "chars/StandardWalk.h"
#include "chars/StringPredicates.h"
#include "chars/TextEncodings.h"
#include "chars/internal/MutableStringAccess.h"
#include "paths/PathExtensions.h"
#include "strings/Normalization.h"

namespace orvin {
namespace {

// Bytes of a file name's file-system form, its terminating zero included.
// Below NAME_MAX (255) with room to spare, as names made here have always
// been.
constexpr NSUInteger kNameBudget = 250;

bool isInvalidEndCharacter(unichar c) {
  return c == u'.' || c == u'/' || c == u':' || c == u'~';
}

bool isReplacedInName(unichar c) {
  return c == u'/' || c == u':' || c == u'~' || c == 0;
}

// The length of the longest prefix of `units` whose strict UTF-8 and a
// terminating zero fit `budget` bytes: what cutting one code unit at a time
// and converting after each cut would keep, in one pass. It ends before
// U+0000 and before an unpaired surrogate, which have no file-system form,
// and never splits a pair.
template <class Unit>
NSUInteger fittingPrefix(const Unit* units, NSUInteger n, NSUInteger budget) {
  NSUInteger bytes = 1;
  NSUInteger i = 0;
  while (i < n) {
    const unichar c = units[i];
    if (c == 0) break;
    NSUInteger size = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    NSUInteger width = 1;
    if (U16_IS_SURROGATE(c)) {
      if (!U16_IS_SURROGATE_LEAD(c) || i + 1 == n || !U16_IS_TRAIL(units[i + 1])) break;
      size = 4;
      width = 2;
    }
    if (bytes + size > budget) break;
    bytes += size;
    i += width;
  }
  return i;
}

// `s` cut to fit `budget`, then "." and `extension` unless `s` already ends
// with them (a nil extension adds nothing). nil when memory runs out.
String cutName(const String& s, NSUInteger budget, const String& extension) {
  const NSUInteger n = s.length();
  const NSUInteger kept = withDirectUnits(
      s, NSRange{0, n},
      [&](const auto* units, NSUInteger length) { return fittingPrefix(units, length, budget); });
  const String name = s.substring(NSRange{0, kept});
  if (name.isNil() || extension.isNil()) return name;

  const NSUInteger e = extension.length();
  if (kept > e && name.characterAtIndex(kept - e - 1) == u'.' &&
      rangeIsEqualTo(name, NSRange{kept - e, e}, extension)) {
    return name;
  }
  WorkBuffer joined(kept + 1 + e);
  if (!joined.ok()) return String();
  name.getCharacters(joined.data(), NSRange{0, kept});
  joined.data()[kept] = u'.';
  extension.getCharacters(joined.data() + kept + 1, NSRange{0, e});
  return String::withCharacters(joined.data(), kept + 1 + e);
}

String cutNameWithExtension(const String& s, const String& extension) {
  if (!isValidPathExtension(extension)) return cutName(s, kNameBudget, String());
  // Valid extensions are letters, marks and numbers: they always convert.
  const std::optional<std::string> bytes = bytesOfString(extension, NSUTF8StringEncoding);
  if (!bytes) return String();
  return cutName(s, kNameBudget - 1 - bytes->size(), extension);
}

NSRange rangeWithoutInvalidEnds(const String& s) {
  const NSUInteger n = s.length();
  return withDirectUnits(s, NSRange{0, n}, [&](const auto* units, NSUInteger) {
    NSUInteger first = 0;
    NSUInteger end = n;
    while (first < end && isInvalidEndCharacter(units[first])) ++first;
    while (end > first && isInvalidEndCharacter(units[end - 1])) --end;
    return NSRange{first, end - first};
  });
}

String filenameOf(const String& s) {
  if (s.isEmpty()) return s;
  const String composed = normalizedString(s);
  if (composed.isNil()) return composed;
  const NSRange keep = rangeWithoutInvalidEnds(composed);
  return withDirectUnits(composed, keep, [&](const auto* units, NSUInteger n) -> String {
    if (keep.length == composed.length() && std::none_of(units, units + n, isReplacedInName)) {
      return composed;
    }
    WorkBuffer out(n);
    if (!out.ok()) return String();
    std::replace_copy_if(units, units + n, out.data(), isReplacedInName, u'-');
    return String::withCharacters(out.data(), n);
  });
}

// Makes `result` the text of `s`; false when it is nil (its making ran out
// of memory) or cannot be stored.
bool assign(MutableString& s, const String& result) {
  if (result.isNil()) return false;
  if (result.isIdenticalTo(s) || result == s) return true;
  static constexpr unichar kNothing[1] = {0};
  if (result.isEmpty()) return detail::MutableStringAccess::replaceAll(s, kNothing, 0);
  return walkCharacters(result, true, false, [&](const unichar* units, NSUInteger n) {
    return detail::MutableStringAccess::replaceAll(s, units, n);
  });
}

}  // namespace

std::optional<std::string> fileSystemRepresentation(const String& s, NSUInteger maxLength) {
  if (s.isNil()) return std::nullopt;
  std::optional<std::string> bytes = bytesOfString(s, NSUTF8StringEncoding);
  if (!bytes || bytes->size() >= maxLength || bytes->find('\0') != std::string::npos) {
    return std::nullopt;
  }
  return bytes;
}

bool createFileSystemRepresentation(MutableString& s) {
  return assign(s, cutName(s, kNameBudget, String()));
}

bool createFileSystemRepresentationAndAppendExtension(MutableString& s, const String& extension) {
  return assign(s, cutNameWithExtension(s, extension));
}

bool createFilename(MutableString& s) {
  return assign(s, filenameOf(s));
}

bool trimInvalidFilenameCharacters(MutableString& s) {
  return assign(s, s.substring(rangeWithoutInvalidEnds(s)));
}

String stringByCreatingFileSystemRepresentation(const String& s) {
  return s.isNil() ? s : cutName(s, kNameBudget, String());
}

String stringByCreatingFileSystemRepresentationByAppendingExtension(const String& s,
                                                                    const String& extension) {
  return s.isNil() ? s : cutNameWithExtension(s, extension);
}

String stringByCreatingFilename(const String& s) {
  return filenameOf(s);
}

String stringByTrimmingInvalidFilenameCharacters(const String& s) {
  return s.isNil() ? s : s.substring(rangeWithoutInvalidEnds(s));
}

}  // namespace orvin
