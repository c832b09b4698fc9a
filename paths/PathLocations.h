// Where a path lies: relative to a directory, inside one or several
// directories, in temporary storage; and the colon-separated (HFS) style.
//
// All tests are lexical: both sides are standardized (standardizedPath)
// and compared as text. Symbolic links are not resolved, so a path can test
// "inside" a directory and still reach elsewhere through a link.
#pragma once

#include <span>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// `path` relative to `directory`, both standardized with tildes expanded
// first; when only one of them is relative it is taken from the current
// directory. nil for nil, and when the current directory is unknown.
//   relativePathToDirectory(u"/a/b/c", u"/a")    // u"./b/c"
//   relativePathToDirectory(u"/a/x/y", u"/a/b")  // u"../x/y"
//   relativePathToDirectory(u"/a", u"/a/b/c")    // u"../../"
[[nodiscard]] String relativePathToDirectory(const String& path, const String& directory);

// True when `path` is `directory` or lies below it, on a component
// boundary. The root "/", "" and nil contain nothing.
//   pathIsInDirectory(u"/a/b/c", u"/a/b/")            // true
//   pathIsInDirectory(u"/a/bc", u"/a/b")              // false
//   pathIsInDirectory(u"/srv/up/../../etc", u"/srv/up")  // false
[[nodiscard]] bool pathIsInDirectory(const String& path, const String& directory);
[[nodiscard]] bool pathIsInDirectories(const String& path, std::span<const String> directories);

// True for "/tmp" and below, below "/var/tmp", the user's temporary
// directory ($TMPDIR) and below, and mail attachments in the current user's
// mail store ("~/Library/Mail/" paths holding ".mimeattach").
//   isTemporaryPath(u"/tmp/x")           // true
//   isTemporaryPath(u"/tmpfiles/thesis")  // false
[[nodiscard]] bool isTemporaryPath(const String& path);

// Linux has no HFS paths: the path itself.
[[nodiscard]] String HFSPath(const String& path);

// A path in slash style: "/" or "~" paths with the tilde expanded; a
// colon-separated path loses its first (volume) component and gets "/"
// between the others (a "/" inside a name becomes ":"); anything else gets
// a leading "/".
//   POSIXPath(u"Macintosh HD:Users:anna")  // u"/Users/anna"
//   POSIXPath(u"docs/x")                   // u"/docs/x"
[[nodiscard]] String POSIXPath(const String& path);

}  // namespace orvin
ORVIN_PUBLIC_END
