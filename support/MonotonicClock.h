// The clock that time spans are measured on: it never jumps when the wall
// clock is set, so an interval is never negative or inflated by a clock
// change.
#pragma once

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Seconds from an unspecified fixed start (the steady clock), or the test
// clock's answer while one is set (support/internal/TestHooks.h).
//   const double start = monotonicSeconds();
[[nodiscard]] double monotonicSeconds() noexcept;

}  // namespace orvin
ORVIN_PUBLIC_END
