#include "paths/PathExtensions.h"

#include "chars/CharacterSetReps.h"
#include "chars/MutableString.h"
#include "chars/StandardWalk.h"
#include "chars/StringPredicates.h"
#include "paths/CharacterFinding.h"
#include "paths/StringLists.h"

namespace orvin {
namespace {

constexpr NSUInteger kMaxExtensionLength = 17;

// Where the path ends without trailing slashes, and its extension within
// that (empty, at the end, when it has none).
struct ExtensionPlace {
  NSUInteger end;
  NSRange extension;
};

ExtensionPlace extensionPlace(const String& path) {
  const NSUInteger n = path.length();
  return withDirectUnits(path, NSRange{0, n}, [&](const auto* p, NSUInteger) {
    NSUInteger end = n;
    while (end > 1 && p[end - 1] == u'/') --end;
    NSUInteger dot = end;
    while (dot > 0 && p[dot - 1] != u'.' && p[dot - 1] != u'/') --dot;
    // dot is one past a "." that must neither begin nor end the component.
    const bool found = dot > 1 && p[dot - 1] == u'.' && p[dot - 2] != u'/' && dot < end;
    return ExtensionPlace{end, found ? NSRange{dot, end - dot} : NSRange{end, 0}};
  });
}

String joined(const String& head, const String& extension) {
  MutableString out(head);
  out.appendString(String(u"."));
  out.appendString(extension);
  return out;
}

}  // namespace

bool isValidPathExtension(const String& extension) {
  const NSUInteger n = extension.length();
  return n >= 1 && n <= kMaxExtensionLength && isAlphaNumString(extension);
}

String pathExtension(const String& path) {
  if (path.isNil()) return path;
  return path.substring(extensionPlace(path).extension);
}

String validPathExtension(const String& path) {
  const String extension = pathExtension(path);
  if (extension.isEmpty()) return String(u"");
  const NSUInteger cut = findOneOf(extension, String(u"?&;=#"));
  const String usable = cut == NSNotFound ? extension : extension.substringToIndex(cut);
  return isValidPathExtension(usable) ? usable : String(u"");
}

String stringByDeletingPathExtension(const String& path) {
  if (path.isNil()) return path;
  const ExtensionPlace place = extensionPlace(path);
  const NSUInteger keep = place.extension.length == 0 ? place.end : place.extension.location - 1;
  return path.substringToIndex(keep);
}

String stringByAppendingPathExtension(const String& path, const String& extension) {
  if (path.isEmpty() || extension.isNil()) return path;
  const NSUInteger end = extensionPlace(path).end;
  if (end == 1 && path.characterAtIndex(0) == u'/') return path;
  return joined(path.substringToIndex(end), extension);
}

String stringByAppendingPathExtensionIfNecessary(const String& path, const String& extension) {
  if (extension.isNil()) return path;
  const String current = pathExtension(path);
  if (current.length() == extension.length() &&
      (current.isEmpty() || isEqualToStringNoCase(current, extension))) {
    return path;
  }
  return stringByAppendingPathExtension(path, extension);
}

String stringByReplacingPathExtensionWith(const String& path, const String& extension) {
  if (extension.isNil()) return path;
  const String current = pathExtension(path);
  if (current.length() == extension.length() && (current.isEmpty() || current == extension)) {
    return path;
  }
  return stringByAppendingPathExtension(stringByDeletingPathExtension(path), extension);
}

bool pathMatchingExtensions(const String& path, std::span<const String> extensions) {
  return containsStringNoCase(extensions, pathExtension(path));
}

bool pathMatchingExtensionsOrTypes(const String& path, std::span<const String> list) {
  return !path.isEmpty() && pathMatchingExtensions(path, list);
}

}  // namespace orvin
