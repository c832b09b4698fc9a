// Text files: reading a file's bytes and text (in a given or a detected
// encoding), and writing them, plainly or atomically, on POSIX calls.
//
// Paths are Strings handed to the kernel as strict UTF-8: a path that is nil,
// empty, holds U+0000 or an unpaired surrogate reads nothing and writes
// nothing.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The whole content of a regular file, or nullopt: a missing or unreadable
// file, anything that is not a regular file (a directory, a FIFO,
// /dev/zero), and a file holding more than `maxBytes` give nullopt without
// blocking. A symbolic link is followed.
//   readFileBytes(u"/etc/hostname")  // "mybox\n"
[[nodiscard]] std::optional<std::string> readFileBytes(
    const String& path, std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// Writes `bytes` to `path` and answers whether all of them reached it.
//
// Atomically: the bytes go to a new temporary file beside the target, which
// takes the existing file's permission bits (a new file gets 0666 less the
// umask), are synced, and the temporary file is renamed over the target; the
// folder is synced after. On any failure the temporary file is removed and
// the old file is untouched. When `path` is a symbolic link, the file it
// leads to is replaced and the link kept. A hard link to the old file keeps
// the old content (the name now names a new file), and the owner becomes the
// writing user.
//
// Plainly: the existing file is truncated and written in place (links,
// owner and permissions stay). A failure after truncation loses the old
// content. Only regular files (or a new one) are written: a FIFO or a device
// answers false at once.
//   writeFileBytes(u"/tmp/x.txt", "hello\n", true)  // true
[[nodiscard]] bool writeFileBytes(const String& path, std::string_view bytes, bool atomically);

// An encoding argument of 0, or from 0xFFFFFFF0 up, asks for detection.
[[nodiscard]] constexpr bool isDetectEncodingRequest(NSUInteger encoding) {
  return encoding == 0 || encoding >= 0xFFFFFFF0u;
}

// The text of a file. An explicit encoding is used as it is (and reported).
// A detect request tries a byte-order mark, then valid UTF-8 (no
// statistical guessing), and reports what it found; when neither fits, the
// file is read as strict ASCII and 1 is reported, so a Latin-1 file read
// with detection gives nil. nil for a file that cannot be read or decoded.
// `usedEncoding` may be nullptr.
//   NSUInteger used;
//   stringWithContentsOfFile(u"notes.txt", 0, &used)  // the text; used == 4
[[nodiscard]] String stringWithContentsOfFile(const String& path, NSUInteger encoding,
                                              NSUInteger* usedEncoding);
[[nodiscard]] String stringWithContentsOfFile(const String& path, NSUInteger encoding);

// The process-wide encoding of writeToFileUsingDefaultEncoding: UTF-8 (4)
// at start. Not validated: an unsupported value makes that writer fail.
[[nodiscard]] NSUInteger defaultEncoding() noexcept;
void setDefaultEncoding(NSUInteger encoding) noexcept;

// Writes `s` encoded in `encoding` (see writeFileBytes). The text is encoded
// first, strictly: a string the encoding cannot hold (or nil) answers false
// and leaves the file untouched.
//   writeToFile(u"Grüße", u"/tmp/g.txt", true, NSISOLatin1StringEncoding)  // true
[[nodiscard]] bool writeToFile(const String& s, const String& path, bool atomically,
                               NSUInteger encoding);

// writeToFile in defaultEncoding(), the string's fastestEncoding() or its
// smallestEncoding(); the encoding is stored in `usedEncoding` (may be
// nullptr) before writing, so it is there even when the write fails.
// fastestEncoding depends on the storage form: a string held as UTF-16 is
// written as UTF-16 with a byte-order mark, even when it is plain ASCII.
//   writeToFileUsingSmallestEncoding(u"abc", u"/tmp/a.txt", true, &used)  // used == 1
[[nodiscard]] bool writeToFileUsingDefaultEncoding(const String& s, const String& path,
                                                   bool atomically, NSUInteger* usedEncoding);
[[nodiscard]] bool writeToFileUsingFastestEncoding(const String& s, const String& path,
                                                   bool atomically, NSUInteger* usedEncoding);
[[nodiscard]] bool writeToFileUsingSmallestEncoding(const String& s, const String& path,
                                                    bool atomically, NSUInteger* usedEncoding);

}  // namespace orvin
ORVIN_PUBLIC_END
