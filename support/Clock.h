// The two clocks the library and the service read: the wall clock for dates
// shown to people and written into files, the monotonic clock for waits and
// time-outs, which setting the system clock must neither stretch nor cut.
// Tests replace either (support/internal/TestHooks.h) to step time instead
// of waiting for it.
#pragma once

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Seconds since 2001-01-01 00:00:00 UTC, the platform's absolute time: the
// system clock, or the test clock while one is set.
//   double started = currentAbsoluteTime();
[[nodiscard]] double currentAbsoluteTime() noexcept;

// Seconds on the system's monotonic clock, from an unspecified start that
// stays fixed for the process; only differences mean anything. The test
// clock while one is set.
//   const double deadline = monotonicTime() + 3.0;
[[nodiscard]] double monotonicTime() noexcept;

}  // namespace orvin
ORVIN_PUBLIC_END
