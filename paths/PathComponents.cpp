#include "paths/PathComponents.h"

#include <algorithm>

#include "chars/MutableString.h"
#include "chars/StandardWalk.h"
#include "chars/StringPredicates.h"
#include "paths/StandardDirectories.h"
#include "paths/internal/PathJoining.h"

namespace orvin {
namespace {

// The length without trailing slashes, keeping a leading one ("/" stays).
template <class Unit>
NSUInteger withoutTrailingSlashes(const Unit* p, NSUInteger n) {
  while (n > 1 && p[n - 1] == u'/') --n;
  return n;
}

// The start of the last component of the first `n` units: after the last
// slash, 0 when there is none.
template <class Unit>
NSUInteger lastComponentStart(const Unit* p, NSUInteger n) {
  while (n > 0 && p[n - 1] != u'/') --n;
  return n;
}

// Where the last component of a non-empty path lies, trailing slashes
// aside, and where what comes before it ends (without its slashes).
struct LastComponent {
  NSUInteger start, end, headEnd;
  bool isRoot;
};

LastComponent lastComponentOf(const String& path) {
  const NSUInteger n = path.length();
  return withDirectUnits(path, NSRange{0, n}, [&](const auto* p, NSUInteger) {
    const NSUInteger end = withoutTrailingSlashes(p, n);
    const NSUInteger start = lastComponentStart(p, end);
    const NSUInteger headEnd = start == 0 ? 0 : withoutTrailingSlashes(p, start);
    return LastComponent{start, end, headEnd, end == 1 && p[0] == u'/'};
  });
}

// Writes the standard form of `p` to `out` (room for n + 1 units) and
// answers its length. ".." pops a name written before it; there is none at
// the root, where it is dropped, or at the start of a relative path (or
// after a kept ".."), where it is kept.
template <class Unit>
NSUInteger standardize(const Unit* p, NSUInteger n, unichar* out) {
  const bool absolute = n > 0 && p[0] == u'/';
  const NSUInteger base = absolute ? 1 : 0;
  NSUInteger w = 0;
  if (absolute) out[w++] = u'/';
  NSUInteger names = 0;  // names written that ".." may take away
  for (NSUInteger i = 0; i < n;) {
    while (i < n && p[i] == u'/') ++i;
    const NSUInteger start = i;
    while (i < n && p[i] != u'/') ++i;
    const NSUInteger length = i - start;
    if (length == 0 || (length == 1 && p[start] == u'.')) continue;
    if (length == 2 && p[start] == u'.' && p[start + 1] == u'.') {
      if (names > 0) {
        while (w > base && out[w - 1] != u'/') --w;
        if (w > base) --w;
        --names;
        continue;
      }
      if (absolute) continue;
    } else {
      ++names;
    }
    if (w > base) out[w++] = u'/';
    std::copy(p + start, p + i, out + w);
    w += length;
  }
  return w;
}

}  // namespace

std::vector<String> pathComponents(const String& path) {
  std::vector<String> out;
  const NSUInteger n = path.length();
  if (n == 0) return out;
  withDirectUnits(path, NSRange{0, n}, [&](const auto* p, NSUInteger) {
    const bool absolute = p[0] == u'/';
    if (absolute) out.emplace_back(u"/");
    for (NSUInteger i = 0; i < n;) {
      while (i < n && p[i] == u'/') ++i;
      const NSUInteger start = i;
      while (i < n && p[i] != u'/') ++i;
      if (i > start) out.push_back(path.substring(NSRange{start, i - start}));
    }
    const bool named = out.size() > (absolute ? 1u : 0u);
    if (p[n - 1] == u'/' && named) out.emplace_back(u"/");
    return 0;
  });
  return out;
}

String lastPathComponent(const String& path) {
  if (path.isEmpty()) return path;
  const LastComponent last = lastComponentOf(path);
  if (last.isRoot) return String(u"/");
  return path.substring(NSRange{last.start, last.end - last.start});
}

String stringByDeletingLastPathComponent(const String& path) {
  if (path.isEmpty()) return path;
  const LastComponent last = lastComponentOf(path);
  if (last.isRoot) return String(u"/");
  return path.substringToIndex(last.headEnd);
}

String stringByAppendingPathComponent(const String& path, const String& component) {
  return detail::joinPath(path, component);
}

String stringByExpandingTildeInPath(const String& path) {
  const NSUInteger n = path.length();
  if (n == 0 || path.characterAtIndex(0) != u'~' || (n > 1 && path.characterAtIndex(1) != u'/')) {
    return path;
  }
  return detail::joinPath(standardizedPath(homeDirectory()), path.substringFromIndex(1));
}

String stringByAbbreviatingWithTildeInPath(const String& path) {
  const String home = standardizedPath(homeDirectory());
  const NSUInteger k = home.length();
  const NSUInteger n = path.length();
  if (k <= 1 || n < k || !rangeIsEqualTo(path, NSRange{0, k}, home)) return path;
  if (n == k) return String(u"~");
  if (path.characterAtIndex(k) != u'/') return path;
  MutableString out(String(u"~"));
  out.appendString(path.substringFromIndex(k));
  return out;
}

String standardizedPath(const String& path) {
  const NSUInteger n = path.length();
  if (n == 0) return path;
  WorkBuffer out(n + 1);
  if (!out.ok()) return String();
  const NSUInteger w = withDirectUnits(path, NSRange{0, n}, [&](const auto* p, NSUInteger) {
    return standardize(p, n, out.data());
  });
  const String result = String::wrappingCharacters(out.data(), w);
  return result == path ? path : String::withCharacters(out.data(), w);
}

std::vector<String> standardizedPathComponents(const String& path) {
  return pathComponents(standardizedPath(path));
}

String stringByStandardizingPath(const String& path) {
  return standardizedPath(stringByExpandingTildeInPath(path));
}

String stringByDeletingFileComponent(const String& path) {
  const NSUInteger n = path.length();
  if (n == 0) return path;
  if (path.characterAtIndex(n - 1) != u'/') return stringByDeletingLastPathComponent(path);
  return path.substringToIndex(n - 1);
}

}  // namespace orvin
