// Path extensions: telling a usable one, reading it from a path or a
// URL-like path, adding, replacing and matching it against lists.
//
// The extension of a path is what follows the last "." of its last
// component, provided that "." neither begins nor ends the component:
// "notes.txt" has "txt"; ".bashrc", "notes." and "/tmp/" have none ("").
#pragma once

#include <span>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// True when `extension` is 1 to 17 code units, every one a letter, mark or
// number; so never ".", "/" or U+0000.
//   isValidPathExtension(u"mp3")     // true
//   isValidPathExtension(u"tar.gz")  // false
[[nodiscard]] bool isValidPathExtension(const String& extension);

//   pathExtension(u"/tmp/archive.tar.gz")  // u"gz"
[[nodiscard]] String pathExtension(const String& path);

// The extension of `path` cut before the first of "?&;=#" (so that URL
// queries do not count) when that is valid, else "".
//   validPathExtension(u"page.php?id=7")  // u"php"
//   validPathExtension(u"file.tar-gz")    // u""
[[nodiscard]] String validPathExtension(const String& path);

// `path` without its extension and the "." before it (and without
// trailing slashes).
//   stringByDeletingPathExtension(u"/tmp/a.tiff")  // u"/tmp/a"
[[nodiscard]] String stringByDeletingPathExtension(const String& path);

// `path` (without trailing slashes), ".", `extension`; `path` itself when it
// is empty or "/" or the extension is nil. The extension is not checked.
//   stringByAppendingPathExtension(u"/tmp/", u"tiff")  // u"/tmp.tiff"
[[nodiscard]] String stringByAppendingPathExtension(const String& path, const String& extension);

// Appends `extension` unless the path's extension already equals it with
// letter case aside; the path itself then, and for a nil extension.
//   stringByAppendingPathExtensionIfNecessary(u"notes.TXT", u"txt")  // u"notes.TXT"
[[nodiscard]] String stringByAppendingPathExtensionIfNecessary(const String& path,
                                                               const String& extension);

// Puts `extension` in place of the path's own unless the two are equal
// exactly; the path itself then, and for a nil extension.
//   stringByReplacingPathExtensionWith(u"notes.TXT", u"txt")  // u"notes.txt"
[[nodiscard]] String stringByReplacingPathExtensionWith(const String& path,
                                                        const String& extension);

// True when the path's extension is in `extensions`, letter case aside;
// false for a path without extension.
//   pathMatchingExtensions(u"a.JPG", std::array<String, 2>{u"png", u"jpg"})  // true
[[nodiscard]] bool pathMatchingExtensions(const String& path, std::span<const String> extensions);

// The same. Linux files have no type codes, so only extensions match.
[[nodiscard]] bool pathMatchingExtensionsOrTypes(const String& path, std::span<const String> list);

}  // namespace orvin
ORVIN_PUBLIC_END
