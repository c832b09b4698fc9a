// Whether a search or comparison tells upper from lower case. An enum
// rather than a bool, so that a flag cannot pass for a start index.
#pragma once

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

enum class CaseMode { sensitive, insensitive };

// The comparison options the mode stands for.
constexpr NSUInteger compareOptions(CaseMode mode) {
  return mode == CaseMode::insensitive ? kCompareCaseInsensitive : kCompareNone;
}

}  // namespace orvin
ORVIN_PUBLIC_END
