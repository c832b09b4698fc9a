// Looking a string up in a list of strings, and the 7-bit test on bytes.
#pragma once

#include <cstdint>
#include <span>

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"
#include "paths/CaseMode.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The index of the first element equal to `s` (same length, and equal
// after simple case folding when insensitive); NSNotFound when there is
// none or `s` is nil or empty. Nil elements match nothing.
//   indexOfStringInArray(list, u"README", CaseMode::insensitive)  // 1 for {u"a", u"readme"}
[[nodiscard]] NSUInteger indexOfStringInArray(std::span<const String> array, const String& s,
                                              CaseMode mode);

[[nodiscard]] inline NSUInteger indexOfStringEqualTo(std::span<const String> array,
                                                     const String& s) {
  return indexOfStringInArray(array, s, CaseMode::sensitive);
}
[[nodiscard]] inline NSUInteger indexOfStringEqualToNoCase(std::span<const String> array,
                                                           const String& s) {
  return indexOfStringInArray(array, s, CaseMode::insensitive);
}
[[nodiscard]] inline bool containsString(std::span<const String> array, const String& s) {
  return indexOfStringEqualTo(array, s) != NSNotFound;
}
[[nodiscard]] inline bool containsStringNoCase(std::span<const String> array, const String& s) {
  return indexOfStringEqualToNoCase(array, s) != NSNotFound;
}

// True when every byte is below 128; true for no bytes.
//   isAsciiString(Bytes{0x41, 0xC3, 0xA9})  // false
[[nodiscard]] bool isAsciiString(std::span<const std::uint8_t> bytes);

}  // namespace orvin
ORVIN_PUBLIC_END
