// Bytes: the library's one type for raw data (file contents, encoded text,
// property-list data), a plain vector so callers can hand it to any API.
#pragma once

#include <cstdint>
#include <vector>

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

using Bytes = std::vector<std::uint8_t>;

}  // namespace orvin
ORVIN_PUBLIC_END
