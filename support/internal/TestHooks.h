// Test hooks of the support layer. Not installed, not exported.
#pragma once

namespace orvin::testhooks {

// Makes currentAbsoluteTime() answer `clock()` until resetClock().
//   static double fake = 1000;
//   testhooks::setClock([] { return fake; });
void setClock(double (*clock)()) noexcept;
void resetClock() noexcept;

// Makes monotonicTime() answer `clock()` until resetMonotonicClock().
void setMonotonicClock(double (*clock)()) noexcept;
void resetMonotonicClock() noexcept;

}  // namespace orvin::testhooks
