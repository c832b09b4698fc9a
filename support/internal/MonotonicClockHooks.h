// Test hook for the monotonic clock.
#pragma once

namespace orvin::testhooks {

// Makes monotonicSeconds() answer `clock()` until resetMonotonicClock().
//   static double fake = 10;
//   testhooks::setMonotonicClock([] { return fake; });
void setMonotonicClock(double (*clock)()) noexcept;
void resetMonotonicClock() noexcept;

}  // namespace orvin::testhooks
