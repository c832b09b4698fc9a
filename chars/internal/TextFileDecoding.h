// The decoding half of the text-file reader, apart from the file system, so
// that it can be driven with any bytes.
#pragma once

#include <string_view>

#include "chars/String.h"

namespace orvin::detail {

// What stringWithContentsOfFile answers for a file holding `bytes`, or for a
// file that could not be read when `bytes` is nullptr.
[[nodiscard]] String stringWithFileBytes(const std::string_view* bytes, NSUInteger encoding,
                                         NSUInteger* usedEncoding);

}  // namespace orvin::detail
