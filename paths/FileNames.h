// Turning any text into the name of one file: composed form, no leading or
// trailing ".", "/", ":" or "~", no "/", ":", "~" or U+0000 inside, and a
// UTF-8 form that fits a file name with room to spare.
//
// The file-system form of a name is its strict UTF-8 (an unpaired surrogate
// or U+0000 has none) plus a terminating zero byte. Names are cut, code unit
// by code unit from the end, until that form fits 250 bytes; with an
// extension, until name, ".", extension and zero fit 250 bytes. So every
// name made here is at most 249 bytes, below Linux's 255.
//
// The result may be empty (for "..." or text that has no convertible
// prefix): callers must check before they create a file. Cutting does not
// look at grapheme clusters: a base letter may lose its combining mark.
//
// Running out of memory never passes text off as a finished name: the
// string forms answer nil and the in-place forms answer false with the text
// unchanged.
#pragma once

#include <optional>
#include <string>

#include "chars/Export.h"
#include "chars/MutableString.h"
#include "chars/String.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The strict UTF-8 bytes of `s` (without a terminator) when they and a
// terminating zero fit `maxLength` bytes; nullopt for nil, for U+0000, for
// an unpaired surrogate, or when they do not fit.
//   fileSystemRepresentation(u"Gr\u00FC\u00DFe", 8)  // "Gr\xC3\xBC\xC3\x9F" "e"
//   fileSystemRepresentation(u"Gr\u00FC\u00DFe", 7)  // nullopt: no room for the zero
[[nodiscard]] std::optional<std::string> fileSystemRepresentation(const String& s,
                                                                  NSUInteger maxLength);

// Cuts the text to its longest prefix whose file-system form fits 250 bytes.
//   MutableString m(String(std::u16string(300, u'a')));
//   createFileSystemRepresentation(m);  // 249 letters
[[nodiscard]] bool createFileSystemRepresentation(MutableString& s);

// Cuts the text so that "." and `extension` still fit, then appends them
// unless the text already ends with exactly that. An extension that is nil
// or not valid (isValidPathExtension) is not appended, and the text is cut
// as createFileSystemRepresentation does.
//   MutableString m(u"report.txt");
//   createFileSystemRepresentationAndAppendExtension(m, u"txt");  // u"report.txt"
[[nodiscard]] bool createFileSystemRepresentationAndAppendExtension(MutableString& s,
                                                                    const String& extension);

// Composes the text (form C), trims the invalid end characters, then turns
// every "/", ":", "~" and U+0000 into "-".
//   MutableString m(u"..//a/b:c~d~");
//   createFilename(m);  // u"a-b-c-d"
[[nodiscard]] bool createFilename(MutableString& s);

// Deletes leading and trailing runs of ".", "/", ":" and "~".
//   MutableString m(u":a.b:"); trimInvalidFilenameCharacters(m);  // u"a.b"
bool trimInvalidFilenameCharacters(MutableString& s);

// The string forms of the four above. Each answers the string itself when
// there is nothing to do, nil for nil; an empty string with an extension
// gives "." and the extension.
//   stringByCreatingFilename(u"~/notes.txt")                                // u"notes.txt"
//   stringByCreatingFileSystemRepresentationByAppendingExtension(u"", u"rtf")  // u".rtf"
[[nodiscard]] String stringByCreatingFileSystemRepresentation(const String& s);
[[nodiscard]] String stringByCreatingFileSystemRepresentationByAppendingExtension(
    const String& s, const String& extension);
[[nodiscard]] String stringByCreatingFilename(const String& s);
[[nodiscard]] String stringByTrimmingInvalidFilenameCharacters(const String& s);

}  // namespace orvin
ORVIN_PUBLIC_END
