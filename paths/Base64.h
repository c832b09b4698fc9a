// Base64 of RFC 4648 (standard alphabet "A-Z a-z 0-9 + /"), the library's
// one encoder and decoder, for text and for raw bytes.
//
// Encoding writes one line, however long. Decoding is tolerant where that
// is harmless and strict where it is not:
//   - CR, LF, space and tab are skipped anywhere (MIME line breaks);
//   - padding is optional, but "=" may only end the text (white space may
//     follow), at most two of them, and must then complete the last group;
//   - any other character (base64url's "-" and "_" included, and anything
//     above 0x7F) and a count of alphabet characters of 1 mod 4 fail;
//   - unpadded text decodes to exactly floor(6 * characters / 8) bytes, so
//     decode(encode(x)) == x with or without padding.
// Failures, including running out of memory, answer nil or nullopt.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "chars/Bytes.h"
#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The Base64 text of `bytes`, padded with `pad` unless it is 0; nil for no
// bytes.
//   encodeBase64Bytes(bytes("Ma"), u'=')  // u"TWE="
//   encodeBase64Bytes(bytes("Ma"), 0)     // u"TWE"
[[nodiscard]] String encodeBase64Bytes(std::span<const std::uint8_t> bytes, unichar pad);

// The Base64 of the text's UTF-8, without padding; nil when the text is nil
// or empty or has an unpaired surrogate (which UTF-8 cannot carry). Every
// character is encoded, U+0000 included.
//   encodebase64(u"Ma")  // u"TWE"
[[nodiscard]] String encodebase64(const String& text);

// The Base64 of `data` padded with "="; nil for no bytes.
//   encodedBase64Data(bytes("M"))  // u"TQ=="
[[nodiscard]] String encodedBase64Data(std::span<const std::uint8_t> data);

// The text whose bytes in `encoding` `base64` holds, up to the first zero
// byte. The empty string answers itself (nil stays nil); nil when the text
// is not valid Base64, when no byte precedes the first zero byte, or when
// the bytes are not valid in `encoding`.
//   decodebase64UsingEncoding(u"TWFu", NSASCIIStringEncoding)  // u"Man"
//   decodebase64UsingEncoding(u"AAAA", NSUTF8StringEncoding)   // nil
[[nodiscard]] String decodebase64UsingEncoding(const String& base64, NSUInteger encoding);

// decodebase64UsingEncoding with UTF-8.
//   decodebase64(u"TQ")  // u"M"
[[nodiscard]] String decodebase64(const String& base64);

// The bytes `base64` holds; nullopt when it is not valid Base64 or holds no
// byte (the empty string included).
//   decodedBase64Data(u"TWE=")  // {'M', 'a'}
//   decodedBase64Data(u"TWE")   // {'M', 'a'}
//   decodedBase64Data(u"====")  // nullopt
[[nodiscard]] std::optional<Bytes> decodedBase64Data(const String& base64);

// The same two on 8-bit text, for readers and writers of byte formats. An
// empty input gives an empty result here, as in RFC 4648; the decoder is
// otherwise the one above.
//   base64Encode(bytes("M"), '=')  // "TQ=="
//   base64Decode("TQ==")           // {'M'}
[[nodiscard]] std::string base64Encode(std::span<const std::uint8_t> bytes, char pad = '=');
[[nodiscard]] std::optional<Bytes> base64Decode(std::string_view base64);

}  // namespace orvin
ORVIN_PUBLIC_END
