// Slash-separated paths as text: splitting, the last component, joining,
// the home folder as "~", and lexical standardization.
//
// Everything here works on the text alone: nothing looks at the file
// system, so symbolic links are not resolved ("/a/link/.." gives "/a" even
// when "link" points elsewhere). nil gives nil (or no components), and so
// does running out of memory for a new string.
#pragma once

#include <vector>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The components: "/" first for an absolute path, the names between
// slashes, and a last "/" when the path ends with one; repeated slashes
// give no empty components.
//   pathComponents(u"/tmp//a/")  // {u"/", u"tmp", u"a", u"/"}
[[nodiscard]] std::vector<String> pathComponents(const String& path);

//   lastPathComponent(u"/tmp/scratch/")  // u"scratch"
//   lastPathComponent(u"/")              // u"/"
[[nodiscard]] String lastPathComponent(const String& path);

// The path without its last component and the slashes before it; "" when
// nothing is left of a relative path, "/" of an absolute one.
//   stringByDeletingLastPathComponent(u"/tmp/lock/")  // u"/tmp"
//   stringByDeletingLastPathComponent(u"/tmp")        // u"/"
[[nodiscard]] String stringByDeletingLastPathComponent(const String& path);

// `path`, one "/" and `component` (without its own leading and trailing
// slashes); `path` itself for an empty component.
//   stringByAppendingPathComponent(u"/tmp/", u"x")  // u"/tmp/x"
[[nodiscard]] String stringByAppendingPathComponent(const String& path, const String& component);

// A leading "~" (alone or before "/") replaced by the home folder
// (homeDirectory()); "~user" forms stay as they are.
//   stringByExpandingTildeInPath(u"~/notes")  // u"/home/anna/notes"
[[nodiscard]] String stringByExpandingTildeInPath(const String& path);

// The home folder at the start of `path` replaced by "~" (on a component
// boundary); the path itself otherwise, and when the home folder is "/".
//   stringByAbbreviatingWithTildeInPath(u"/home/anna/notes")  // u"~/notes"
[[nodiscard]] String stringByAbbreviatingWithTildeInPath(const String& path);

// Lexical standardization: repeated slashes, "." components and a trailing
// "/" go, and ".." takes the component before it away. The root stays
// ("/.." is "/"), and ".." that has nothing before it stays at the start of
// a relative path ("../x" is "../x", "a/../.." is ".."). What is left of a
// relative path may be "" ("a/.." and "."). The path itself when it is
// already standard.
//   standardizedPath(u"/a/./b/../c/")  // u"/a/c"
//   standardizedPath(u"/../etc")       // u"/etc"
[[nodiscard]] String standardizedPath(const String& path);

// The components of standardizedPath.
//   standardizedPathComponents(u"/a/b/..")  // {u"/", u"a"}
[[nodiscard]] std::vector<String> standardizedPathComponents(const String& path);

// standardizedPath after expanding a leading "~".
//   stringByStandardizingPath(u"~/a/../b")  // u"/home/anna/b"
[[nodiscard]] String stringByStandardizingPath(const String& path);

// Drops the last component, or only one trailing "/" when there is one.
//   stringByDeletingFileComponent(u"a/b/")  // u"a/b"
//   stringByDeletingFileComponent(u"a/b")   // u"a"
//   stringByDeletingFileComponent(u"/")     // u""
[[nodiscard]] String stringByDeletingFileComponent(const String& path);

}  // namespace orvin
ORVIN_PUBLIC_END
