// Conversions between UTF-8 (or any supported text encoding) and UTF-16 in
// caller-owned buffers, for callers that manage their own memory.
//
// Each answers 0 for success and a non-zero ICU error code for every
// failure: U_INVALID_CHAR_FOUND (10) for invalid input,
// U_BUFFER_OVERFLOW_ERROR (15) for a destination that is too small,
// U_UNSUPPORTED_ERROR (16) for an unknown encoding, U_ILLEGAL_ARGUMENT_ERROR
// (1) for a null buffer or a length beyond 2^31 - 1. The place `written`
// (may be nullptr) receives how many units or bytes were written, 0 on
// failure. No terminator is written or counted; a destination that the
// output fills exactly is a success. No state is kept between calls.
#pragma once

#include <cstdint>

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Kept for callers written against converters that had to be set up first;
// nothing needs setting up, so it does nothing.
void initUnicodeConverters() noexcept;

//   unichar out[8]; NSUInteger n;
//   convertUTF8ToUnicode("Gr\xC3\xBC", 4, out, 8, &n)  // 0, n == 3
[[nodiscard]] std::int32_t convertUTF8ToUnicode(const char* source, NSUInteger sourceLength,
                                                unichar* destination, NSUInteger capacity,
                                                NSUInteger* written);

// An unpaired surrogate is invalid input.
//   char out[8]; NSUInteger n;
//   convertUnicodeToUTF8(u"Grü", 3, out, 8, &n)  // 0, n == 4
[[nodiscard]] std::int32_t convertUnicodeToUTF8(const unichar* source, NSUInteger sourceLength,
                                                char* destination, NSUInteger capacity,
                                                NSUInteger* written);

// `source` in `encoding` (a string-encoding number, see TextEncodings.h),
// decoded as stringWithBytes decodes it, into UTF-16.
//   convertEncodingToUnicode("\xFC", 1, NSISOLatin1StringEncoding, out, 8, &n)  // 0, n == 1
[[nodiscard]] std::int32_t convertEncodingToUnicode(const void* source, NSUInteger sourceLength,
                                                    std::uint32_t encoding, unichar* destination,
                                                    NSUInteger capacity, NSUInteger* written);

}  // namespace orvin
ORVIN_PUBLIC_END
