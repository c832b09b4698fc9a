// Making strings from one code unit, from counted or NUL-terminated bytes,
// from data, and from dot-joined components.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

#include "chars/Export.h"
#include "chars/MutableString.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// A new mutable string: `first`, then "." and each further string, up to
// the first nil one. nullopt (a mutable string cannot be nil) when `first`
// is nil.
//   *stringWithComponents(u"usr", {u"local", u"lib"})       // "usr.local.lib"
//   *stringWithComponents(u"usr", {u"local", String(), u"x"})  // "usr.local"
[[nodiscard]] std::optional<MutableString> stringWithComponents(
    const String& first, std::initializer_list<String> rest = {});

// The bytes decoded in `encoding` (see stringWithBytes in TextEncodings.h);
// nil when they are not valid in it.
//   stringWithData(Bytes{0x61, 0x62}, NSASCIIStringEncoding)  // "ab"
[[nodiscard]] String stringWithData(std::span<const std::uint8_t> data, NSUInteger encoding);

// A string of exactly one code unit; U+0000 too.
//   stringWithCharacter(0x00E9).length()  // 1
[[nodiscard]] String stringWithCharacter(unichar c);

// Exactly `length` bytes decoded in `encoding`; a NUL among them becomes
// U+0000. nil for invalid bytes, and for a null pointer with a non-zero
// length.
//   stringWithCString("abc", 2, NSASCIIStringEncoding)  // "ab"
[[nodiscard]] String stringWithCString(const char* bytes, NSUInteger length, NSUInteger encoding);

// The bytes up to the first NUL decoded in `encoding`; nil for a null
// pointer or invalid bytes.
//   stringWithNullTerminatedCString("ab", NSUTF8StringEncoding)  // "ab"
[[nodiscard]] String stringWithNullTerminatedCString(const char* bytes, NSUInteger encoding);

}  // namespace orvin
ORVIN_PUBLIC_END
