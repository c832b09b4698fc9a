#include "paths/PathLocations.h"

#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <string>
#include <vector>

#include "chars/MutableString.h"
#include "chars/StandardWalk.h"
#include "chars/StringPredicates.h"
#include "paths/CharacterFinding.h"
#include "paths/PathComponents.h"
#include "paths/StandardDirectories.h"
#include "paths/SubstringSearch.h"

namespace orvin {
namespace {

// `path` is `directory` or below it; both standard. Not for the root.
bool isAtOrBelow(const String& path, const String& directory) {
  const NSUInteger k = directory.length();
  const NSUInteger n = path.length();
  if (k == 0 || n < k || !rangeIsEqualTo(path, NSRange{0, k}, directory)) return false;
  return n == k || path.characterAtIndex(k) == u'/';
}

bool startsWith(const String& s, const String& prefix) {
  return s.length() >= prefix.length() && rangeIsEqualTo(s, NSRange{0, prefix.length()}, prefix);
}

bool isAbsolute(const String& path) {
  return !path.isEmpty() && path.characterAtIndex(0) == u'/';
}

String currentDirectory() {
  std::vector<char> buffer(4096);
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return String::withUtf8(buffer.data());
    if (errno != ERANGE) return String();
    buffer.resize(buffer.size() * 4);
  }
  return String();
}

// `path` standardized, and made absolute from the current directory when
// `absolute` asks for it.
String standardized(const String& path, bool absolute) {
  const String expanded = stringByExpandingTildeInPath(path);
  if (!absolute || isAbsolute(expanded)) return standardizedPath(expanded);
  const String cwd = currentDirectory();
  if (cwd.isNil()) return cwd;
  return standardizedPath(stringByAppendingPathComponent(cwd, expanded));
}

}  // namespace

String relativePathToDirectory(const String& path, const String& directory) {
  if (path.isNil() || directory.isNil()) return String();
  const bool absolute = isAbsolute(stringByExpandingTildeInPath(path)) ||
                        isAbsolute(stringByExpandingTildeInPath(directory));
  const String from = standardized(directory, absolute);
  const String to = standardized(path, absolute);
  if (from.isNil() || to.isNil()) return String();
  const std::vector<String> p = pathComponents(to);
  const std::vector<String> d = pathComponents(from);
  NSUInteger k = 0;
  while (k < p.size() && k < d.size() && p[k] == d[k]) ++k;

  MutableString out;
  if (k == d.size()) out.appendString(String(u"./"));
  for (NSUInteger i = k; i < d.size(); ++i) out.appendString(String(u"../"));
  for (NSUInteger i = k; i < p.size(); ++i) {
    if (i > k) out.appendString(String(u"/"));
    out.appendString(p[i]);
  }
  return out;
}

bool pathIsInDirectory(const String& path, const String& directory) {
  if (path.isNil() || directory.isNil()) return false;
  const String dir = standardizedPath(directory);
  if (dir.isEmpty() || dir == String(u"/")) return false;
  return isAtOrBelow(standardizedPath(path), dir);
}

bool pathIsInDirectories(const String& path, std::span<const String> directories) {
  return std::any_of(directories.begin(), directories.end(),
                     [&](const String& directory) { return pathIsInDirectory(path, directory); });
}

bool isTemporaryPath(const String& path) {
  if (path.isNil()) return false;
  const String p = standardizedPath(path);
  if (isAtOrBelow(p, String(u"/tmp")) || startsWith(p, String(u"/var/tmp/"))) return true;
  const String userTemporary = standardizedPath(userTemporaryDirectory());
  if (userTemporary.length() > 1 && isAtOrBelow(p, userTemporary)) return true;
  return containsSubstring(p, String(u"/Library/Mail/")) &&
         containsSubstring(p, String(u".mimeattach")) &&
         startsWith(stringByAbbreviatingWithTildeInPath(p), String(u"~/Library/Mail/"));
}

String HFSPath(const String& path) {
  return path;
}

String POSIXPath(const String& path) {
  if (path.isEmpty()) return path;
  const unichar first = path.characterAtIndex(0);
  if (first == u'/' || first == u'~') return stringByExpandingTildeInPath(path);
  const NSUInteger colon = findCharacter(path, u':');
  if (colon == NSNotFound) {
    MutableString out(String(u"/"));
    out.appendString(path);
    return out;
  }
  // "Volume:dir:name" names /dir/name; a "/" inside an HFS name is ":" here.
  const String rest = path.substringFromIndex(colon + 1);
  const NSUInteger n = rest.length();
  WorkBuffer units(n + 1);
  if (!units.ok()) return String();
  units.data()[0] = u'/';
  rest.getCharacters(units.data() + 1, NSRange{0, n});
  for (unichar* c = units.data() + 1; c != units.data() + n + 1; ++c) {
    if (*c == u'/' || *c == u':') *c = *c == u'/' ? u':' : u'/';
  }
  return standardizedPath(String::withCharacters(units.data(), n + 1));
}

}  // namespace orvin
