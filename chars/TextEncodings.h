// Text encodings: the platform's string-encoding numbers, and conversion
// between bytes in one of those encodings and Strings, on ICU converters.
//
// Conversion never substitutes silently: bytes that are not valid in the
// encoding give nil, and characters an encoding cannot hold give nullopt
// unless the caller allows lossy output.
#pragma once

#include <optional>
#include <string>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The platform's numbering of string encodings.
enum NSStringEncoding : NSUInteger {
  NSASCIIStringEncoding = 1,
  NSNEXTSTEPStringEncoding = 2,
  NSJapaneseEUCStringEncoding = 3,
  NSUTF8StringEncoding = 4,
  NSISOLatin1StringEncoding = 5,
  NSSymbolStringEncoding = 6,         // not supported
  NSNonLossyASCIIStringEncoding = 7,  // not supported
  NSShiftJISStringEncoding = 8,
  NSISOLatin2StringEncoding = 9,
  NSUnicodeStringEncoding = 10,
  NSUTF16StringEncoding = 10,
  NSWindowsCP1251StringEncoding = 11,
  NSWindowsCP1252StringEncoding = 12,
  NSWindowsCP1253StringEncoding = 13,
  NSWindowsCP1254StringEncoding = 14,
  NSWindowsCP1250StringEncoding = 15,
  NSISO2022JPStringEncoding = 21,
  NSMacOSRomanStringEncoding = 30,
  NSUTF16BigEndianStringEncoding = 0x90000100,
  NSUTF16LittleEndianStringEncoding = 0x94000100,
  NSUTF32StringEncoding = 0x8c000100,
  NSUTF32BigEndianStringEncoding = 0x98000100,
  NSUTF32LittleEndianStringEncoding = 0x9c000100,
};

// True when bytes can be converted to and from `encoding`.
//   isEncodingSupported(NSUTF8StringEncoding)    // true
//   isEncodingSupported(NSSymbolStringEncoding)  // false
[[nodiscard]] bool isEncodingSupported(NSUInteger encoding);

// The charset name behind a supported encoding ("UTF-8", "windows-1252",
// "NeXTSTEP"), or nullptr for an unknown or unsupported one.
//   encodingName(NSMacOSRomanStringEncoding)  // "macintosh"
[[nodiscard]] const char* encodingName(NSUInteger encoding);

// Decodes `length` bytes in `encoding`. nil when a byte sequence is not
// valid in the encoding (ASCII rejects bytes from 0x80 up; a truncated
// multi-byte sequence is invalid), when the encoding is unknown or
// unsupported, or when memory runs out. No terminator is needed; NUL bytes
// decode to U+0000.
// Byte-order marks: NSUnicodeStringEncoding and NSUTF32StringEncoding honour
// and drop a leading mark and read big-endian without one; a leading UTF-8
// mark is dropped; the explicit-order UTF-16 and UTF-32 encodings keep a
// leading U+FEFF as text. ASCII, Latin-1 and ASCII-only UTF-8 give compact
// strings.
//   stringWithBytes("Gr\xC3\xBC\xC3\x9F" "e", 6, NSUTF8StringEncoding)  // u"Grüße"
//   stringWithBytes("\xE9", 1, NSASCIIStringEncoding)                  // nil
[[nodiscard]] String stringWithBytes(const void* bytes, NSUInteger length, NSUInteger encoding);

// Encodes `s` in `encoding`. nullopt when a character cannot be represented
// (an unpaired surrogate counts as such in every encoding) and `allowLossy`
// is false, when `s` is nil, when the encoding is unknown or unsupported, or
// when memory runs out. With `allowLossy`, each such character becomes '?'.
// NSUnicodeStringEncoding and NSUTF32StringEncoding write a byte-order mark
// and then the machine's byte order; the explicit-order variants write none.
// The empty string gives no bytes in every encoding.
//   bytesOfString(u"Grüße", NSISOLatin1StringEncoding)        // "Gr\xFC\xDF" "e"
//   bytesOfString(u"Grüße", NSASCIIStringEncoding)            // nullopt
//   bytesOfString(u"Grüße", NSASCIIStringEncoding, true)      // "Gr??e"
[[nodiscard]] std::optional<std::string> bytesOfString(const String& s, NSUInteger encoding,
                                                       bool allowLossy = false);

// Guesses the encoding of text bytes from their signature: a UTF-32 or
// UTF-16 byte-order mark (answering NSUTF32StringEncoding or
// NSUnicodeStringEncoding, which honour the mark, when the length fits the
// unit size), else NSUTF8StringEncoding when the bytes are valid UTF-8 (a
// UTF-8 mark included; empty and ASCII-only bytes too), else 0 (not
// detected). Decoding in the answered encoding can still fail for marked
// bytes whose content is invalid.
//   detectEncoding("\xFF\xFE" "a\0", 4)  // NSUnicodeStringEncoding
//   detectEncoding("\xE9t\xE9", 3)       // 0
[[nodiscard]] NSUInteger detectEncoding(const void* bytes, NSUInteger length);

// The encoding that holds `s` without loss and with the least conversion
// work: NSISOLatin1StringEncoding for compact storage, else
// NSUnicodeStringEncoding. Nil gives NSASCIIStringEncoding.
//   fastestEncoding(String::withLatin1("abc"))  // NSISOLatin1StringEncoding
[[nodiscard]] NSUInteger fastestEncoding(const String& s);

// The encoding that holds `s` without loss in the fewest bytes: ASCII when
// every code unit is below 0x80, else ISO Latin-1 when every one is below
// 0x100, else UTF-8 or NSUnicodeStringEncoding (with its two-byte mark),
// whichever is shorter (UTF-8 on a tie). A string with an unpaired surrogate
// has no lossless encoding; it answers NSUnicodeStringEncoding. Empty and
// nil give ASCII.
//   smallestEncoding(u"Grüße")  // NSISOLatin1StringEncoding
//   smallestEncoding(u"日本語")  // NSUnicodeStringEncoding (8 bytes; UTF-8 needs 9)
[[nodiscard]] NSUInteger smallestEncoding(const String& s);

}  // namespace orvin
ORVIN_PUBLIC_END
