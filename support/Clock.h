// The one clock the library and the service read "now" from, so tests (and
// the run loop's waits) can step time instead of waiting for it.
#pragma once

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Seconds since 2001-01-01 00:00:00 UTC, the platform's absolute time: the
// system clock, or the test clock while one is set.
//   double started = currentAbsoluteTime();
[[nodiscard]] double currentAbsoluteTime() noexcept;

}  // namespace orvin
ORVIN_PUBLIC_END
